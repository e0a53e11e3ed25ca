// The block callback the sound layer calls on its own thread for every block:
// clear the window, compute the audio, draw the traces, show the window.
#pragma once

#include "platform/sound/fsound.h"

// Bytes of one block the stream is made with: 16384 stereo frames.
inline constexpr int kBlockBytes = 65536;

signed char StreamCallback(FSOUND_STREAM* stream, void* block, int length, void* userData);
