// The silent output: no device at all. It keeps no pace of its own, so the
// stream paces it by the clock, in real time.
#include "platform/sound/output.h"

namespace fsound {
namespace {

class NoSoundOutput final : public Output {
 public:
  const std::vector<std::string>& Drivers() const override { return drivers_; }
  bool Open(int, int) override { return true; }
  WriteResult Write(const std::int16_t*, int) override { return WriteResult::Ok; }
  long Queued() override { return -1; }
  std::uint64_t Underruns() const override { return 0; }

 private:
  std::vector<std::string> drivers_{"NoSound"};
};

}  // namespace

std::unique_ptr<Output> MakeNoSoundOutput() { return std::make_unique<NoSoundOutput>(); }

}  // namespace fsound
