// The console replaced by a queue of scripted key codes.
#include <cstdio>
#include <stdexcept>

#include "platform/console/console.h"
#include "tests/fakes.h"

FakeConsole& Console() {
  static FakeConsole state;
  return state;
}
void ResetFakeConsole() { Console() = FakeConsole{}; }

void ConsoleInit() {}
void ConsoleRestore() {}

int ConsoleReadKey() {
  std::fflush(stdout);
  FakeConsole& c = Console();
  ++c.reads;
  if (c.keys.empty()) {
    if (c.endOfInputThrows) throw std::runtime_error("the scripted keys ran out");
    return kConsoleEof;
  }
  const int code = c.keys.front();
  c.keys.pop_front();
  return code;
}

bool ConsoleKeyWaiting() { return true; }
