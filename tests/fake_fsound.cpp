// The sound layer replaced by a scripted one that logs every call.
#include <string>
#include <utility>

#include "platform/sound/fsound.h"
#include "tests/fakes.h"

FakeSound& Fsound() {
  static FakeSound state;
  return state;
}
void ResetFakeSound() { Fsound() = FakeSound{}; }

namespace {
void Log(std::string call) { Fsound().calls.push_back(std::move(call)); }
}  // namespace

float FSOUND_GetVersion() {
  Log("GetVersion()");
  return Fsound().version;
}

signed char FSOUND_SetOutput(int outputType) {
  Log("SetOutput(" + std::to_string(outputType) + ")");
  return 0;
}

int FSOUND_GetOutput() {
  Log("GetOutput()");
  return Fsound().output;
}

int FSOUND_GetNumDrivers() {
  Log("GetNumDrivers()");
  FakeSound& s = Fsound();
  const int call = s.driverCountCalls++;
  if (s.driverCounts.empty()) return static_cast<int>(s.drivers.size());
  const auto last = static_cast<int>(s.driverCounts.size()) - 1;
  return s.driverCounts[static_cast<std::size_t>(call < last ? call : last)];
}

const char* FSOUND_GetDriverName(int driver) {
  Log("GetDriverName(" + std::to_string(driver) + ")");
  const auto& names = Fsound().drivers;
  if (driver < 0 || driver >= static_cast<int>(names.size())) return nullptr;
  return names[static_cast<std::size_t>(driver)].c_str();
}

signed char FSOUND_SetDriver(int driver) {
  Log("SetDriver(" + std::to_string(driver) + ")");
  return 1;
}

signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags) {
  Log("Init(" + std::to_string(mixRate) + "," + std::to_string(maxSoftwareChannels) + "," +
      std::to_string(flags) + ")");
  Fsound().error = Fsound().initError;
  return Fsound().initSucceeds ? 1 : 0;
}

int FSOUND_GetError() {
  Log("GetError()");
  return Fsound().error;
}

FSOUND_STREAM* FSOUND_Stream_Create(FSOUND_STREAMCALLBACK, int length, unsigned int mode,
                                    int sampleRate, void*) {
  Log("Stream_Create(" + std::to_string(length) + "," + std::to_string(mode) + "," +
      std::to_string(sampleRate) + ")");
  return nullptr;
}

int FSOUND_Stream_Play(int channel, FSOUND_STREAM*) {
  Log("Stream_Play(" + std::to_string(channel) + ")");
  return -1;
}

FSOUND_StreamStats FSOUND_Stream_GetStats() { return {}; }
