// Key sequences of xterm, VTE, rxvt, tmux/screen and the Linux console, in
// normal and application-cursor mode:
//   CSI (ESC [) params intermediates final, with final A-D arrows, H/F Home/End,
//     P-S F1-F4, or ~ with the key in the first parameter (1 Home, 2 Ins,
//     3 Del, 4 End, 5 PgUp, 6 PgDn, 7 Home, 8 End, 11-15 F1-F5, 17-21 F6-F10,
//     23 F11, 24 F12); rxvt ends the same numbers with ^ (Ctrl), @ (Ctrl-Shift)
//     or $ (Shift) instead of ~;
//   SS3 (ESC O) final, with the same letters; a few terminals put modifier
//     parameters between, as in ESC O 1;5P, so parameters are read there too;
//   ESC [ [ A-E: F1-F5 of the Linux console.
// Further parameters (modifiers) are ignored.
#include "platform/console/keydecode.h"

#include <cstddef>
#include <optional>

namespace {

constexpr unsigned char kEsc = 27;

struct Key {
  unsigned char lead;
  unsigned char code;
};

constexpr Key kUp{224, 'H'};
constexpr Key kDown{224, 'P'};
constexpr Key kLeft{224, 'K'};
constexpr Key kRight{224, 'M'};
constexpr Key kHome{224, 'G'};
constexpr Key kEnd{224, 'O'};
constexpr Key kPgUp{224, 'I'};
constexpr Key kPgDn{224, 'Q'};
constexpr Key kIns{224, 'R'};
constexpr Key kDel{224, 'S'};
constexpr Key kF11{224, 133};
constexpr Key kF12{224, 134};

// F1..F10, n from 1.
constexpr Key FunctionKey(int n) { return Key{0, static_cast<unsigned char>(';' + n - 1)}; }

constexpr bool InRange(unsigned char b, unsigned char lo, unsigned char hi) {
  return b >= lo && b <= hi;
}
constexpr bool IsParam(unsigned char b) { return InRange(b, 0x30, 0x3F); }
constexpr bool IsIntermediate(unsigned char b) { return InRange(b, 0x20, 0x2F); }
constexpr bool IsFinal(unsigned char b) { return InRange(b, 0x40, 0x7E); }
// '<' '=' '>' '?' open the private parameters of reports, never of a key.
constexpr bool IsPrivateMarker(unsigned char b) { return InRange(b, 0x3C, 0x3F); }

KeyDecode Codes(std::size_t consumed, unsigned char code) {
  return {KeyDecode::Kind::Codes, static_cast<int>(consumed), 1, {code, 0}};
}
KeyDecode Codes(std::size_t consumed, Key key) {
  return {KeyDecode::Kind::Codes, static_cast<int>(consumed), 2, {key.lead, key.code}};
}
KeyDecode Dropped(std::size_t consumed) {
  return {KeyDecode::Kind::Dropped, static_cast<int>(consumed), 0, {0, 0}};
}
KeyDecode NeedMore() { return {KeyDecode::Kind::NeedMore, 0, 0, {0, 0}}; }

KeyDecode KnownOrDropped(std::size_t consumed, std::optional<Key> key) {
  return key ? Codes(consumed, *key) : Dropped(consumed);
}

std::optional<Key> LetterKey(unsigned char final_byte) {
  switch (final_byte) {
    case 'A': return kUp;
    case 'B': return kDown;
    case 'C': return kRight;
    case 'D': return kLeft;
    case 'H': return kHome;
    case 'F': return kEnd;
    case 'P': return FunctionKey(1);
    case 'Q': return FunctionKey(2);
    case 'R': return FunctionKey(3);
    case 'S': return FunctionKey(4);
    default: return std::nullopt;
  }
}

std::optional<Key> NumberKey(int n) {
  switch (n) {
    case 1: case 7: return kHome;
    case 2: return kIns;
    case 3: return kDel;
    case 4: case 8: return kEnd;
    case 5: return kPgUp;
    case 6: return kPgDn;
    case 11: case 12: case 13: case 14: case 15: return FunctionKey(n - 10);
    case 17: case 18: case 19: case 20: case 21: return FunctionKey(n - 11);
    case 23: return kF11;
    case 24: return kF12;
    default: return std::nullopt;
  }
}

// The first parameter as a number, or nothing when it is empty or not plain
// digits. Large values are capped: no key has a number that big.
std::optional<int> FirstParam(std::span<const unsigned char> params) {
  int n = 0;
  std::size_t digits = 0;
  for (unsigned char b : params) {
    if (b == ';' || b == ':') break;
    if (!InRange(b, '0', '9')) return std::nullopt;
    n = n < 10000 ? n * 10 + (b - '0') : n;
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  return n;
}

bool AllDigits(std::span<const unsigned char> params) {
  if (params.empty()) return false;
  for (unsigned char b : params) {
    if (!InRange(b, '0', '9')) return false;
  }
  return true;
}

// `bytes` starts with ESC and an introducer ('[' or 'O').
KeyDecode DecodeSequence(std::span<const unsigned char> bytes, bool final) {
  const std::size_t n = bytes.size();
  const std::size_t max = kMaxKeySequence;
  const bool csi = bytes[1] == '[';
  auto incomplete = [&] { return final ? Dropped(n) : NeedMore(); };

  if (csi && n > 2 && bytes[2] == '[') {
    if (n < 4) return incomplete();
    const unsigned char b = bytes[3];
    if (InRange(b, 'A', 'E')) return Codes(4, FunctionKey(b - 'A' + 1));
    return InRange(b, 0x20, 0x7E) ? Dropped(4) : Dropped(3);
  }

  std::size_t i = 2;
  while (i < n && i < max && IsParam(bytes[i])) ++i;
  const auto params = bytes.subspan(2, i - 2);

  // rxvt's Shift form: '$' right after a plain number ends the key.
  if (csi && i < n && i < max && bytes[i] == '$' && AllDigits(params)) {
    const auto number = FirstParam(params);
    return KnownOrDropped(i + 1, number ? NumberKey(*number) : std::nullopt);
  }

  const std::size_t intermediates_begin = i;
  if (csi) {
    while (i < n && i < max && IsIntermediate(bytes[i])) ++i;
  }
  if (i >= max) return Dropped(max);
  if (i >= n) return incomplete();
  const unsigned char final_byte = bytes[i];
  if (!IsFinal(final_byte)) return Dropped(i);
  const std::size_t length = i + 1;

  if (i != intermediates_begin) return Dropped(length);
  if (!params.empty() && IsPrivateMarker(params[0])) return Dropped(length);
  if (auto key = LetterKey(final_byte)) return Codes(length, *key);
  if (csi && (final_byte == '~' || final_byte == '^' || final_byte == '@')) {
    const auto number = FirstParam(params);
    return KnownOrDropped(length, number ? NumberKey(*number) : std::nullopt);
  }
  return Dropped(length);
}

}  // namespace

KeyDecode DecodeKey(std::span<const unsigned char> bytes, bool final) {
  if (bytes.empty()) return NeedMore();
  if (bytes[0] != kEsc) return Codes(1, bytes[0]);
  if (bytes.size() == 1) return final ? Codes(1, kEsc) : NeedMore();
  if (bytes[1] == '[' || bytes[1] == 'O') return DecodeSequence(bytes, final);
  return Codes(1, kEsc);
}
