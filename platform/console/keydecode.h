// Turns the bytes a Linux terminal sends for a key press into the codes a PC
// (Windows) console gives for it. A key with a character of its own gives that
// byte; a key without one (arrows, Home, F1, ...) gives two codes, first a
// lead of 0 or 224, then a code of its own:
//   Up 224 'H', Down 224 'P', Left 224 'K', Right 224 'M',
//   Home 224 'G', End 224 'O', PgUp 224 'I', PgDn 224 'Q', Ins 224 'R', Del 224 'S',
//   F1..F10 0 ';'..'D', F11 224 133, F12 224 134.
// Modifiers (Shift, Ctrl, Alt) are not told apart: Ctrl-Up gives Up.
//
// Pure: no I/O and no state; the caller keeps the bytes not yet used.
#pragma once

#include <array>
#include <span>

// The longest escape sequence taken as a key, ESC included. A sequence still
// open at this length is dropped, so a caller's buffer of this many bytes is
// never asked for more.
inline constexpr int kMaxKeySequence = 32;

struct KeyDecode {
  enum class Kind {
    Codes,     // `codes` holds `count` (1 or 2) codes for the first `consumed` bytes
    NeedMore,  // the bytes start a sequence not yet complete; consumed and count are 0
    Dropped,   // the first `consumed` bytes are no key (unknown or malformed); count is 0
  };
  Kind kind;
  int consumed;  // bytes used from the front of the input
  int count;     // codes in `codes` (0, 1 or 2)
  std::array<unsigned char, 2> codes;
};

// Decodes the key at the front of `bytes`. `final` is true when no further byte
// is coming soon (the short wait after an ESC ran out): an incomplete sequence
// is then taken as it is (a lone ESC is the Esc key, anything longer is
// dropped) instead of asking for more. Empty `bytes` give NeedMore; NeedMore
// is never given for kMaxKeySequence bytes or more.
KeyDecode DecodeKey(std::span<const unsigned char> bytes, bool final);
