// The start-up dialogue with the sound layer: version check, output and
// driver menus, initialisation; and the texts of the layer's error codes.
#pragma once

// True when the sound layer is initialised and ready for a stream; false
// after a wrong version or a refused initialisation, its message printed.
// ESC (or the end of input) in a menu ends the process with status 0.
bool SoundSetup();

// Frames per second the sound layer is initialised at; a stream must be made
// at the same rate.
inline constexpr int kMixRate = 44100;

// Prints "Error!" and the text of the sound layer's last error, a line each.
void PrintSoundError();

// The message for a sound layer error code, without a line end.
const char* SoundErrorText(int code);

// The name printed for an output type code; empty for codes without one.
const char* OutputName(int code);
