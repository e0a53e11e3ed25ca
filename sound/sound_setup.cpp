#include "sound/sound_setup.h"

#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "platform/console/console.h"
#include "platform/sound/fsound.h"

namespace {

constexpr int kSoftwareChannels = 32;
constexpr float kRequiredVersion = 3.74f;
constexpr int kEsc = 27;
constexpr char kSeparator[] = "---------------------------------------------------------\n";
constexpr char kPrompt[] = "Press a corresponding number or ESC to quit\n";

// A key as the menus compare it: a signed 8-bit character code. The end of
// input counts as ESC.
int ReadMenuKey() {
  const int code = ConsoleReadKey();
  if (code == kConsoleEof) return kEsc;
  return static_cast<signed char>(code);
}

void ChooseOutput() {
  std::printf("%s", kSeparator);
  std::printf("Output Type\n");
  std::printf("%s", kSeparator);
  std::printf("1 - Direct Sound\n");
  std::printf("2 - Windows Multimedia Waveout\n");
  std::printf("3 - ASIO\n");
  std::printf("4 - NoSound\n");
  std::printf("%s", kSeparator);
  std::printf("%s", kPrompt);
  for (;;) {
    switch (ReadMenuKey()) {
      case '1': FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND); return;
      case '2': FSOUND_SetOutput(FSOUND_OUTPUT_WINMM); return;
      case '3': FSOUND_SetOutput(FSOUND_OUTPUT_ASIO); return;
      case '4': FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND); return;
      case kEsc: std::exit(0);
      default: break;
    }
  }
}

void ChooseDriver() {
  std::printf("%s", kSeparator);
  std::printf("%s", OutputName(FSOUND_GetOutput()));
  std::printf(" Driver list\n");
  std::printf("%s", kSeparator);
  for (int i = 0; i < FSOUND_GetNumDrivers(); ++i) {
    const char* name = FSOUND_GetDriverName(i);
    std::printf("%d - %s\n", i + 1, name != nullptr ? name : "");
  }
  std::printf("%s", kSeparator);
  std::printf("%s", kPrompt);
  for (;;) {
    const int key = ReadMenuKey();
    if (key == kEsc) std::exit(0);
    const int index = key - '1';
    if (index >= 0 && index < FSOUND_GetNumDrivers()) {
      FSOUND_SetDriver(index);
      return;
    }
  }
}

}  // namespace

bool SoundSetup() {
  if (FSOUND_GetVersion() < kRequiredVersion) {
    std::printf("Error : You are using the wrong DLL version!  You should be using FMOD %.02f\n",
                static_cast<double>(kRequiredVersion));
    return false;
  }
  ChooseOutput();
  ChooseDriver();
  if (!FSOUND_Init(kMixRate, kSoftwareChannels, 0)) {
    PrintSoundError();
    return false;
  }
  return true;
}

void PrintSoundError() {
  std::printf("Error!\n");
  std::printf("%s\n", SoundErrorText(FSOUND_GetError()));
}

const char* OutputName(int code) {
  switch (code) {
    case 0: return "NoSound";
    case 1: return "Windows Multimedia Waveout";
    case 2: return "Direct Sound";
    case 4: return "Open Sound System";
    case 5: return "Enlightment Sound Daemon";
    case 6: return "Alsa";
    case 7: return "ASIO";
    default: return "";
  }
}

const char* SoundErrorText(int code) {
  static constexpr const char* kTexts[] = {
      "No errors",
      "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
      "This command failed because FSOUND_Init was not called",
      "Error initializing output device.",
      "The output device is already in use and cannot be reused.",
      "Playing the sound failed.",
      "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
      "Error setting cooperative level for hardware.",
      "Error creating hardware sound buffer.",
      "File not found",
      "Unknown file format",
      "Error loading file",
      "Not enough memory ",
      "The version number of this file format is not supported",
      "An invalid parameter was passed to this function",
      "Tried to use an EAX command on a non EAX enabled channel or output.",
      "Failed to allocate a new channel",
      "Recording not supported on this device",
      "Required Mediaplayer codec is not installed",
  };
  if (code < 0 || code >= static_cast<int>(std::size(kTexts))) return "Unknown error";
  return kTexts[code];
}
