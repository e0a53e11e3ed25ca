// One sound output backend a file, behind this interface. The sound layer
// owns one backend for the output type in force.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fsound {

enum class WriteResult { Ok, Lost };

class Output {
 public:
  virtual ~Output() = default;
  // The drivers of this output, listed once when the backend is made.
  virtual const std::vector<std::string>& Drivers() const = 0;
  // Opens a driver for interleaved signed 16-bit stereo at `rate` frames per
  // second. False when the device can't be opened or set up.
  virtual bool Open(int driver, int rate) = 0;
  // Writes `frames` frames, blocking as long as the device needs. Underruns
  // are recovered inside; Lost means the device is gone for good.
  virtual WriteResult Write(const std::int16_t* interleaved, int frames) = 0;
  // Frames queued ahead of what is playing, or -1 for an output that keeps no
  // pace of its own (the stream then paces by the clock).
  virtual long Queued() = 0;
  virtual std::uint64_t Underruns() const = 0;
};

std::unique_ptr<Output> MakeNoSoundOutput();
std::unique_ptr<Output> MakeAlsaOutput();

}  // namespace fsound
