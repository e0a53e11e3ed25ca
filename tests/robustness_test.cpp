// Whatever is typed, the graph stays defined: a seeded stream of random key
// codes, interleaved with audio and drawing passes as the stream thread would
// run them. Meant to run under the sanitizers, which report any undefined
// conversion or out-of-bounds write on the way.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "app/key_handler.h"
#include "display/display.h"
#include "synth/oscillator.h"

namespace {

bool CyclesFinite() {
  for (const Oscillator* o : {Carrier, AmMod, FmMod, PmMod, Voice2}) {
    if (!std::isfinite(o->Cycle)) return false;
  }
  return true;
}

TEST(RandomKeys, GraphStaysDefined) {
  CreateVoiceGraph();
  Screen = SDL_CreateRGBSurface(SDL_SWSURFACE, kScreenWidth, kScreenHeight, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  ASSERT_NE(Screen, nullptr);
  // 400000 status lines are not worth keeping.
  ASSERT_NE(std::freopen("/dev/null", "w", stdout), nullptr);

  std::mt19937 random(20261211);
  std::uniform_int_distribution<int> code(0, 255);
  std::vector<std::int16_t> block(2 * 1024);
  int note = 58;
  int note2 = 64;
  for (int i = 1; i <= 100000; ++i) {
    HandleKey(static_cast<signed char>(code(random)), note, note2);
    if (i % 100 == 0) {
      AudioPass(block.data(), static_cast<int>(block.size() * 2));
      ASSERT_TRUE(CyclesFinite()) << "after key " << i;
    }
    if (i % 2000 == 0) {
      ClearScreen(Screen);
      DrawPass();
      ASSERT_TRUE(CyclesFinite()) << "after drawing at key " << i;
    }
  }
  SDL_FreeSurface(Screen);
  Screen = nullptr;
}

}  // namespace
