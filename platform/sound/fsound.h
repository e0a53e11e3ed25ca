// The sound layer: output types, drivers, initialisation and a pull stream
// that calls back for blocks of interleaved signed 16-bit stereo.
//
// The operations keep the names and contracts the program was designed
// against. Output types this platform has: 0 "NoSound" (no device, paced by
// the clock) and 6 "Alsa". Every operation is for the main thread; the block
// callback runs on a thread of the layer's own.
#pragma once

#include <cstdint>

struct FSOUND_STREAM;

// Called for every block: the stream, the block, its length in bytes, the
// user data. Returns true (1) to go on.
using FSOUND_STREAMCALLBACK = signed char (*)(FSOUND_STREAM* stream, void* block, int length,
                                              void* userData);

inline constexpr int FSOUND_OUTPUT_NOSOUND = 0;
inline constexpr int FSOUND_OUTPUT_WINMM = 1;
inline constexpr int FSOUND_OUTPUT_DSOUND = 2;
inline constexpr int FSOUND_OUTPUT_A3D = 3;
inline constexpr int FSOUND_OUTPUT_OSS = 4;
inline constexpr int FSOUND_OUTPUT_ESD = 5;
inline constexpr int FSOUND_OUTPUT_ALSA = 6;
inline constexpr int FSOUND_OUTPUT_ASIO = 7;

// Error codes, read with FSOUND_GetError.
inline constexpr int FMOD_ERR_NONE = 0;
inline constexpr int FMOD_ERR_BUSY = 1;
inline constexpr int FMOD_ERR_UNINITIALIZED = 2;
inline constexpr int FMOD_ERR_INIT = 3;
inline constexpr int FMOD_ERR_ALLOCATED = 4;
inline constexpr int FMOD_ERR_PLAY = 5;
inline constexpr int FMOD_ERR_OUTPUT_FORMAT = 6;
inline constexpr int FMOD_ERR_MEMORY = 12;
inline constexpr int FMOD_ERR_INVALID_PARAM = 14;
inline constexpr int FMOD_ERR_CHANNEL_ALLOC = 16;

// The one stream layout offered: signed 16-bit samples, two channels.
inline constexpr unsigned int FSOUND_STREAM_16BIT_STEREO = 0x01000150;

float FSOUND_GetVersion();
// Selects an output type before FSOUND_Init. A type this platform lacks
// leaves the type in force unchanged and returns false.
signed char FSOUND_SetOutput(int outputType);
int FSOUND_GetOutput();
int FSOUND_GetNumDrivers();
// The driver's name, valid until the next FSOUND_SetOutput; null for an
// index out of range.
const char* FSOUND_GetDriverName(int driver);
signed char FSOUND_SetDriver(int driver);
// Opens the selected driver at mixRate frames per second, stereo, 16 bits.
// Non-zero when ready; zero with FMOD_ERR_INIT when the device can't be had.
signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);
int FSOUND_GetError();
// A stream whose callback fills blocks of `length` bytes. Null on failure.
FSOUND_STREAM* FSOUND_Stream_Create(FSOUND_STREAMCALLBACK callback, int length, unsigned int mode,
                                    int sampleRate, void* userData);
// Starts the stream's thread; the callbacks begin. The channel, or -1.
int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);

// Beyond the classic operations: what the stream has met so far, for
// diagnostics and tests. Readable from any thread.
struct FSOUND_StreamStats {
  std::uint64_t blocks;     // callbacks made
  std::uint64_t underruns;  // device underruns recovered
  bool deviceLost;          // the device failed; the stream goes on, paced by the clock
};
FSOUND_StreamStats FSOUND_Stream_GetStats();
