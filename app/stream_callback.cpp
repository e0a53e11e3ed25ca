#include "app/stream_callback.h"

#include "display/display.h"
#include "synth/oscillator.h"

signed char StreamCallback(FSOUND_STREAM*, void* block, int length, void*) {
  SDL_Surface* const screen = Screen;
  if (screen != nullptr) ClearScreen(screen);
  AudioPass(block, length);
  if (screen != nullptr) {
    DrawPass();
    FlipScreen(screen);
  }
  return 1;
}
