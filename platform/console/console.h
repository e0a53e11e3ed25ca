// The console keyboard: reads keys from standard input one code at a time, as
// a PC (Windows) console gives them (see keydecode.h: a key without a
// character of its own gives two codes, 0 or 224 first).
//
// On a terminal, ConsoleInit turns off echo and line editing; the settings
// are put back at exit and when SIGINT, SIGTERM, SIGHUP or SIGQUIT ends the
// program (Ctrl-C still works). When standard input is not a terminal (a pipe,
// a file), every byte is a code as it is.
//
// For one thread only, the one that reads the keys.
#pragma once

// What ConsoleReadKey gives at the end of input.
inline constexpr int kConsoleEof = -1;

// Call once at start, before SDL_Init. Calling again does nothing.
void ConsoleInit();

// Puts back the terminal settings ConsoleInit found. Safe to call more than
// once; runs by itself at exit and on the signals above.
void ConsoleRestore();

// Waits for one code 0..255 and gives it, without echo; kConsoleEof at the end
// of input, and every time after. Flushes stdout first.
int ConsoleReadKey();

// True when ConsoleReadKey will give a code (or kConsoleEof) without waiting.
// Blocks until then, using no CPU; after the end of input has been given it
// blocks for ever (signals still end the program). Flushes stdout first.
bool ConsoleKeyWaiting();
