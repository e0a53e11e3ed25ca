// libFuzzer target for DecodeKey. Arbitrary bytes are decoded the way the
// console does (NeedMore is asked again with final set once input stops),
// checking that every answer is well formed and the loop always moves on.
// Then a known sequence, picked by the first byte, is fed in two reads split
// where the second byte says, with the rest of the input after it; it must
// give the same codes as when decoded whole.
//
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I. \
//     platform/console/keydecode.cpp tests/fuzz/keydecode_fuzz.cpp -o kdfuzz
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <span>
#include <string_view>
#include <vector>

#include "platform/console/keydecode.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckWellFormed(const KeyDecode& d, std::span<const unsigned char> bytes, bool final) {
  Check(d.count >= 0 && d.count <= 2);
  switch (d.kind) {
    case KeyDecode::Kind::NeedMore:
      Check(!final || bytes.empty());
      Check(bytes.size() < static_cast<std::size_t>(kMaxKeySequence));
      Check(d.consumed == 0 && d.count == 0);
      break;
    case KeyDecode::Kind::Dropped:
      Check(d.count == 0);
      [[fallthrough]];
    case KeyDecode::Kind::Codes:
      Check(d.consumed >= 1 && static_cast<std::size_t>(d.consumed) <= bytes.size());
      Check(d.consumed <= kMaxKeySequence);
      Check(d.kind == KeyDecode::Kind::Dropped || d.count >= 1);
      // One code for one byte; two for a key without a character, led by 0 or 224.
      Check(d.count != 1 || d.consumed == 1);
      Check(d.count != 2 || d.codes[0] == 0 || d.codes[0] == 224);
      break;
  }
  if (!bytes.empty() && bytes[0] != 27) {
    Check(d.kind == KeyDecode::Kind::Codes && d.consumed == 1 && d.count == 1 &&
          d.codes[0] == bytes[0]);
  }
}

// One step of the console's loop: the key at the front once input has stopped.
KeyDecode DecodeStep(std::span<const unsigned char> bytes) {
  KeyDecode d = DecodeKey(bytes, false);
  CheckWellFormed(d, bytes, false);
  if (d.kind == KeyDecode::Kind::NeedMore) {
    d = DecodeKey(bytes, true);
    CheckWellFormed(d, bytes, true);
    Check(d.kind != KeyDecode::Kind::NeedMore);
  } else {
    const KeyDecode again = DecodeKey(bytes, true);
    Check(again.kind == d.kind && again.consumed == d.consumed && again.count == d.count &&
          again.codes == d.codes);
  }
  return d;
}

std::vector<unsigned char> DecodeAll(std::span<const unsigned char> bytes) {
  std::vector<unsigned char> codes;
  while (!bytes.empty()) {
    const KeyDecode d = DecodeStep(bytes);
    codes.insert(codes.end(), d.codes.begin(), d.codes.begin() + d.count);
    bytes = bytes.subspan(static_cast<std::size_t>(d.consumed));
  }
  return codes;
}

// Decodes the first key of `first` + `second`, given as two reads: the first
// read alone, then both when it needed more, as the console's buffer grows.
KeyDecode DecodeInTwoReads(std::span<const unsigned char> first,
                           std::span<const unsigned char> second) {
  std::vector<unsigned char> buffer(first.begin(), first.end());
  KeyDecode d = DecodeKey(buffer, false);
  if (d.kind == KeyDecode::Kind::NeedMore) {
    buffer.insert(buffer.end(), second.begin(), second.end());
    d = DecodeStep(buffer);
  }
  return d;
}

constexpr std::string_view kKnown[] = {
    "\033[A",   "\033OB",   "\033[1;5C", "\033OD",   "\033[H",     "\033OF",
    "\033[1~",  "\033[4~",  "\033[7~",   "\033[8~",  "\033[2~",    "\033[3~",
    "\033[5;3~", "\033[6~", "\033OP",    "\033[1;5Q", "\033[13~",  "\033[[D",
    "\033[15~", "\033[21~", "\033[23~",  "\033[24;2~", "\033[Z",   "\033[99~",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const unsigned char> input(data, size);
  DecodeAll(input);

  if (size < 2) return 0;
  const std::string_view known = kKnown[data[0] % std::size(kKnown)];
  const std::span<const unsigned char> rest = input.subspan(2);
  std::vector<unsigned char> whole(known.begin(), known.end());
  const std::size_t split = data[1] % (whole.size() + 1);
  whole.insert(whole.end(), rest.begin(), rest.end());

  const KeyDecode at_once = DecodeKey(whole, false);
  Check(at_once.kind != KeyDecode::Kind::NeedMore);
  Check(static_cast<std::size_t>(at_once.consumed) == known.size());

  const auto whole_span = std::span<const unsigned char>(whole);
  const KeyDecode in_two = DecodeInTwoReads(whole_span.first(split), whole_span.subspan(split));
  Check(in_two.kind == at_once.kind && in_two.consumed == at_once.consumed &&
        in_two.count == at_once.count && in_two.codes == at_once.codes);
  return 0;
}
