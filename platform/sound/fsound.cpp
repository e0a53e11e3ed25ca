// The sound layer's operations and its stream thread.
//
// The stream thread computes each block as late as is safe: when what is
// still queued ahead of the listener has fallen to a small lead. Devices that
// report their delay pace by it; devices that take data at once (ALSA's
// "null", the "file" plugin, the silent output) are paced by the monotonic
// clock, from the moment the first block was written, so the pace never
// drifts.
#include "platform/sound/fsound.h"

#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/sound/output.h"

struct FSOUND_STREAM {
  FSOUND_STREAMCALLBACK callback = nullptr;
  int length = 0;
  void* userData = nullptr;
  std::vector<std::int16_t> block;
};

namespace fsound {
namespace {

constexpr float kVersion = 3.74f;
// Frames still queued when the next block is computed: a clock-paced output
// only needs room for the computation, a device also for its own jitter.
constexpr long kClockLeadFrames = 1024;
constexpr long kDeviceLeadFrames = 2048;

struct Layer {
  int outputType = FSOUND_OUTPUT_ALSA;
  int driver = 0;
  std::unique_ptr<Output> output;  // made when first needed for the type in force
  bool initialised = false;
  int mixRate = 0;
  int lastError = FMOD_ERR_NONE;
  FSOUND_STREAM* playing = nullptr;
};

Layer& State() {
  static Layer layer;
  return layer;
}

struct Stats {
  std::atomic<std::uint64_t> blocks{0};
  std::atomic<bool> deviceLost{false};
  std::atomic<Output*> output{nullptr};
};

Stats& StreamStats() {
  static Stats stats;
  return stats;
}

Output& CurrentOutput() {
  Layer& s = State();
  if (!s.output) s.output = s.outputType == FSOUND_OUTPUT_ALSA ? MakeAlsaOutput() : MakeNoSoundOutput();
  return *s.output;
}

bool Fail(int code) {
  State().lastError = code;
  return false;
}

timespec Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t;
}

timespec After(timespec origin, long frames, int rate) {
  const long long ns = static_cast<long long>(frames) * 1000000000LL / rate;
  long long total = origin.tv_nsec + ns;
  timespec t{};
  t.tv_sec = origin.tv_sec + static_cast<time_t>(total / 1000000000LL);
  total %= 1000000000LL;
  if (total < 0) {
    total += 1000000000LL;
    t.tv_sec -= 1;
  }
  t.tv_nsec = static_cast<long>(total);
  return t;
}

void SleepUntil(const timespec& when) {
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr) == EINTR) {
  }
}

void SleepFrames(long frames, int rate) { SleepUntil(After(Now(), frames, rate)); }

void ReportDeviceLost() {
  static constexpr char kText[] = "The sound device was lost; playing on without it.\n";
  ssize_t ignored = write(STDOUT_FILENO, kText, sizeof kText - 1);
  (void)ignored;
}

void RunStream(FSOUND_STREAM* stream, Output* output, int rate) {
  // Signals are for the main thread, which restores the terminal.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);

  Stats& stats = StreamStats();
  const int frames = stream->length / 4;
  enum class Pace { Undecided, Device, Clock };
  Pace pace = output->Queued() < 0 ? Pace::Clock : Pace::Undecided;
  timespec origin{};
  long sinceOrigin = 0;  // frames written since origin, on the clock's schedule
  bool lost = false;

  for (bool first = true;; first = false) {
    if (!first) {
      if (pace == Pace::Device) {
        for (long queued = output->Queued(); queued > kDeviceLeadFrames; queued = output->Queued()) {
          SleepFrames(queued - kDeviceLeadFrames, rate);
        }
      } else {
        SleepUntil(After(origin, sinceOrigin - kClockLeadFrames, rate));
      }
    }
    if (!stream->callback(stream, stream->block.data(), stream->length, stream->userData)) return;
    stats.blocks.fetch_add(1, std::memory_order_relaxed);

    // The clock's schedule starts at the first block, and again once the
    // device is gone.
    bool restartClock = first;
    if (!lost && output->Write(stream->block.data(), frames) == WriteResult::Lost) {
      lost = true;
      stats.deviceLost.store(true, std::memory_order_relaxed);
      ReportDeviceLost();
      pace = Pace::Clock;
      restartClock = true;
    }
    if (pace == Pace::Undecided) {
      // After the first block: it went into a buffer smaller than it, so a
      // device that paces still holds some of it, one that doesn't holds nothing.
      pace = output->Queued() > 0 ? Pace::Device : Pace::Clock;
    }
    if (restartClock) {
      origin = Now();
      sinceOrigin = 0;
    }
    sinceOrigin += frames;
  }
}

}  // namespace
}  // namespace fsound

using fsound::Fail;
using fsound::State;

float FSOUND_GetVersion() { return fsound::kVersion; }

signed char FSOUND_SetOutput(int outputType) {
  auto& s = State();
  if (s.initialised) return Fail(FMOD_ERR_BUSY);
  if (outputType != FSOUND_OUTPUT_NOSOUND && outputType != FSOUND_OUTPUT_ALSA) {
    return Fail(FMOD_ERR_INVALID_PARAM);
  }
  if (outputType != s.outputType) {
    s.outputType = outputType;
    s.output.reset();
    s.driver = 0;
  }
  return true;
}

int FSOUND_GetOutput() { return State().outputType; }

int FSOUND_GetNumDrivers() { return static_cast<int>(fsound::CurrentOutput().Drivers().size()); }

const char* FSOUND_GetDriverName(int driver) {
  const auto& drivers = fsound::CurrentOutput().Drivers();
  if (driver < 0 || driver >= static_cast<int>(drivers.size())) {
    Fail(FMOD_ERR_INVALID_PARAM);
    return nullptr;
  }
  return drivers[static_cast<std::size_t>(driver)].c_str();
}

signed char FSOUND_SetDriver(int driver) {
  auto& s = State();
  if (s.initialised) return Fail(FMOD_ERR_BUSY);
  if (driver < 0 || driver >= FSOUND_GetNumDrivers()) return Fail(FMOD_ERR_INVALID_PARAM);
  s.driver = driver;
  return true;
}

signed char FSOUND_Init(int mixRate, int, unsigned int) {
  auto& s = State();
  if (s.initialised) return Fail(FMOD_ERR_BUSY);
  if (mixRate <= 0) return Fail(FMOD_ERR_INVALID_PARAM);
  if (!fsound::CurrentOutput().Open(s.driver, mixRate)) return Fail(FMOD_ERR_INIT);
  s.initialised = true;
  s.mixRate = mixRate;
  return true;
}

int FSOUND_GetError() { return State().lastError; }

FSOUND_STREAM* FSOUND_Stream_Create(FSOUND_STREAMCALLBACK callback, int length, unsigned int mode,
                                    int sampleRate, void* userData) {
  auto& s = State();
  if (!s.initialised) {
    Fail(FMOD_ERR_UNINITIALIZED);
    return nullptr;
  }
  if (callback == nullptr || length < 4 || mode != FSOUND_STREAM_16BIT_STEREO || sampleRate != s.mixRate) {
    Fail(FMOD_ERR_INVALID_PARAM);
    return nullptr;
  }
  // Streams live until the process ends; there is no operation to free one.
  auto* stream = new FSOUND_STREAM;
  stream->callback = callback;
  stream->length = length;
  stream->userData = userData;
  stream->block.assign(static_cast<std::size_t>(length) / 2 + 1, 0);
  return stream;
}

int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream) {
  auto& s = State();
  if (stream == nullptr) {
    Fail(FMOD_ERR_INVALID_PARAM);
    return -1;
  }
  if (s.playing != nullptr) {
    Fail(FMOD_ERR_CHANNEL_ALLOC);
    return -1;
  }
  fsound::Output* output = &fsound::CurrentOutput();
  fsound::StreamStats().output.store(output);
  try {
    std::thread(fsound::RunStream, stream, output, s.mixRate).detach();
  } catch (const std::system_error&) {
    Fail(FMOD_ERR_PLAY);
    return -1;
  }
  s.playing = stream;
  return channel < 0 ? 0 : channel;
}

FSOUND_StreamStats FSOUND_Stream_GetStats() {
  auto& stats = fsound::StreamStats();
  const fsound::Output* output = stats.output.load();
  return {stats.blocks.load(std::memory_order_relaxed), output != nullptr ? output->Underruns() : 0,
          stats.deviceLost.load(std::memory_order_relaxed)};
}
