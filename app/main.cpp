// fivesine: five sine oscillators played from the console, drawn in a window.
//
// Start-up: sound set-up and menus, window, console, oscillators, stream;
// then the main thread's endless key loop. The stream thread does the rest.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "app/key_handler.h"
#include "app/stream_callback.h"
#include "display/display.h"
#include "platform/console/console.h"
#include "platform/sound/fsound.h"
#include "sound/sound_setup.h"
#include "synth/oscillator.h"

namespace {

// SDL is told how to behave here before it starts: the terminal's own signal
// handlers must stay in charge (SDL's would swallow SIGINT and SIGTERM into
// an event nobody reads), the window is presented from the stream thread by
// the software renderer, and without a display SDL keeps quiet instead of
// probing for one.
void PrepareSdl() {
  setenv("SDL_NO_SIGNAL_HANDLERS", "1", 1);
  setenv("SDL_RENDER_DRIVER", "software", 1);
  setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);
  if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
  }
}

// The window at the display's own depth; the drawing needs four bytes a
// pixel, so a shallower surface is opened again at 32 bits.
void OpenWindow() {
  SDL_Init(SDL_INIT_VIDEO);
  Screen = SDL_SetVideoMode(kScreenWidth, kScreenHeight, 0, SDL_ANYFORMAT);
  if (Screen != nullptr && Screen->format->BytesPerPixel != 4) {
    Screen = SDL_SetVideoMode(kScreenWidth, kScreenHeight, 32, SDL_ANYFORMAT);
  }
  if (Screen != nullptr && Screen->format->BytesPerPixel != 4) Screen = nullptr;
  SDL_WM_SetCaption("fivesine", "fivesine");
}

[[noreturn]] void FailSound() {
  PrintSoundError();
  std::exit(1);
}

[[noreturn]] void KeyLoop() {
  int Note = 58;
  int Note2 = 64;
  for (;;) {
    if (!ConsoleKeyWaiting()) continue;
    const int code = ConsoleReadKey();
    if (code != kConsoleEof) HandleKey(static_cast<signed char>(code), Note, Note2);
  }
}

}  // namespace

int main(int, char**) {
  // Output goes out a whole block at a time: the console layer flushes it
  // before every wait for a key, and exit flushes the rest.
  static char outBuffer[1 << 14];
  std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);

  ConsoleInit();
  PrepareSdl();
  if (SDL_Init(SDL_INIT_NOPARACHUTE) < 0) {
    std::fprintf(stderr, "%s: %s\n", "WinMain() error", SDL_GetError());
    std::exit(0);
  }
  std::atexit(SDL_Quit);

  if (!SoundSetup()) std::exit(1);
  OpenWindow();

  std::fflush(stdout);
  // Without TERM, clear complains on stderr; only the program's own texts
  // belong on the console.
  [[maybe_unused]] const int cleared = std::system("clear 2>/dev/null");
  std::printf("aqzs edrftg yhujik our modifier les trucs \n");
  std::printf("wxcvbn,; pour les notes (foireuxmaismarche)\n");

  CreateVoiceGraph();
  FSOUND_STREAM* const stream =
      FSOUND_Stream_Create(StreamCallback, kBlockBytes, FSOUND_STREAM_16BIT_STEREO, kMixRate, Carrier);
  if (stream == nullptr) FailSound();
  if (FSOUND_Stream_Play(0, stream) == -1) FailSound();
  std::fflush(stdout);
  KeyLoop();
}
