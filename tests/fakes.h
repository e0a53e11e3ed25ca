// Controls of the link-time fakes of the sound layer (fake_fsound.cpp) and
// the console (fake_console.cpp). Reset both before every test.
#pragma once

#include <deque>
#include <string>
#include <vector>

struct FakeSound {
  float version = 3.74f;
  int output = 6;  // what FSOUND_GetOutput reports; FSOUND_SetOutput leaves it alone
  std::vector<std::string> drivers;
  // When not empty, what FSOUND_GetNumDrivers gives call by call (the last
  // value repeats); when empty, the number of names in `drivers`.
  std::vector<int> driverCounts;
  int driverCountCalls = 0;
  bool initSucceeds = true;
  int initError = 0;  // the error code FSOUND_Init leaves
  int error = 0;      // what FSOUND_GetError gives
  // Every call, e.g. "GetVersion()", "SetOutput(2)", "SetDriver(9)", "Init(44100,32,0)".
  std::vector<std::string> calls;
};
FakeSound& Fsound();
void ResetFakeSound();

struct FakeConsole {
  std::deque<int> keys;  // given one by one, then kConsoleEof for ever
  int reads = 0;         // ConsoleReadKey calls
  // When set, running out of keys throws instead of giving kConsoleEof, so a
  // short script fails its test rather than ending the process with status 0.
  bool endOfInputThrows = false;
};
FakeConsole& Console();
void ResetFakeConsole();
