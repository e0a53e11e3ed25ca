// Terminal key sequences to PC console codes, as tables of bytes and what
// they must give. "\033" is ESC.
#include "platform/console/keydecode.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Kind = KeyDecode::Kind;
using Codes = std::vector<int>;

std::span<const unsigned char> Bytes(std::string_view s) {
  return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

Codes CodesOf(const KeyDecode& d) { return Codes(d.codes.begin(), d.codes.begin() + d.count); }

std::string Printable(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    if (c == 27) {
      out += "ESC ";
    } else if (c < 0x20 || c >= 0x7F) {
      out += "<" + std::to_string(c) + "> ";
    } else {
      out += static_cast<char>(c);
      out += ' ';
    }
  }
  return out;
}

// Decodes all of `s` the way the console does once input stops: NeedMore is
// asked again with final set.
Codes DecodeAll(std::string_view s) {
  Codes out;
  auto bytes = Bytes(s);
  while (!bytes.empty()) {
    KeyDecode d = DecodeKey(bytes, false);
    if (d.kind == Kind::NeedMore) d = DecodeKey(bytes, true);
    if (d.consumed < 1) {
      ADD_FAILURE() << "no progress on " << Printable(s);
      break;
    }
    for (int c : CodesOf(d)) out.push_back(c);
    bytes = bytes.subspan(static_cast<std::size_t>(d.consumed));
  }
  return out;
}

struct Sequence {
  std::string_view bytes;
  Codes codes;  // empty: the whole sequence is dropped
};

// Complete sequences: what each must give, taking all of its bytes.
const std::vector<Sequence> kSequences = {
    // Arrows, normal and application-cursor mode.
    {"\033[A", {224, 'H'}},
    {"\033OA", {224, 'H'}},
    {"\033[B", {224, 'P'}},
    {"\033OB", {224, 'P'}},
    {"\033[C", {224, 'M'}},
    {"\033OC", {224, 'M'}},
    {"\033[D", {224, 'K'}},
    {"\033OD", {224, 'K'}},
    // Home and End in each terminal's form.
    {"\033[H", {224, 'G'}},
    {"\033OH", {224, 'G'}},
    {"\033[1~", {224, 'G'}},
    {"\033[7~", {224, 'G'}},
    {"\033[F", {224, 'O'}},
    {"\033OF", {224, 'O'}},
    {"\033[4~", {224, 'O'}},
    {"\033[8~", {224, 'O'}},
    {"\033[2~", {224, 'R'}},
    {"\033[3~", {224, 'S'}},
    {"\033[5~", {224, 'I'}},
    {"\033[6~", {224, 'Q'}},
    // F1-F4: SS3, CSI with parameters, CSI number, Linux console.
    {"\033OP", {0, ';'}},
    {"\033OQ", {0, '<'}},
    {"\033OR", {0, '='}},
    {"\033OS", {0, '>'}},
    {"\033[1;5P", {0, ';'}},
    {"\033[1;2Q", {0, '<'}},
    {"\033[1;3R", {0, '='}},
    {"\033[1;5S", {0, '>'}},
    {"\033[11~", {0, ';'}},
    {"\033[12~", {0, '<'}},
    {"\033[13~", {0, '='}},
    {"\033[14~", {0, '>'}},
    {"\033[[A", {0, ';'}},
    {"\033[[B", {0, '<'}},
    {"\033[[C", {0, '='}},
    {"\033[[D", {0, '>'}},
    {"\033[[E", {0, '?'}},
    {"\033[15~", {0, '?'}},
    {"\033[17~", {0, '@'}},
    {"\033[18~", {0, 'A'}},
    {"\033[19~", {0, 'B'}},
    {"\033[20~", {0, 'C'}},
    {"\033[21~", {0, 'D'}},
    {"\033[23~", {224, 133}},
    {"\033[24~", {224, 134}},
    // Modifiers are ignored; for ~ the key is the first parameter.
    {"\033[1;5A", {224, 'H'}},
    {"\033[1;2H", {224, 'G'}},
    {"\033[5;3~", {224, 'I'}},
    {"\033[15;2~", {0, '?'}},
    {"\033[24;5~", {224, 134}},
    {"\033[1:5D", {224, 'K'}},
    {"\033O1;5P", {0, ';'}},
    {"\033O5S", {0, '>'}},
    // rxvt's modified keys end in ^ (Ctrl), $ (Shift), @ (Ctrl-Shift).
    {"\033[5^", {224, 'I'}},
    {"\033[3$", {224, 'S'}},
    {"\033[11^", {0, ';'}},
    {"\033[2@", {224, 'R'}},
    // Unknown complete sequences go whole, with no stray ESC.
    {"\033[Z", {}},
    {"\033[99~", {}},
    {"\033[~", {}},
    {"\033[;5~", {}},
    {"\033[16~", {}},
    {"\033[27;5;13~", {}},
    {"\033[9u", {}},
    {"\033[I", {}},
    {"\033[<0;10;20M", {}},
    {"\033[?1;2c", {}},
    {"\033[?5;1;1R", {}},
    {"\033[2 q", {}},
    {"\033[1 A", {}},
    {"\033[1;2$y", {}},
    {"\033[[F", {}},
    {"\033Ox", {}},
    {"\033O[", {}},
};

TEST(KeyDecode, SequencesGiveTheirCodesAndAllTheirBytes) {
  for (const auto& seq : kSequences) {
    SCOPED_TRACE(Printable(seq.bytes));
    for (bool final : {false, true}) {
      const KeyDecode d = DecodeKey(Bytes(seq.bytes), final);
      EXPECT_EQ(d.kind, seq.codes.empty() ? Kind::Dropped : Kind::Codes);
      EXPECT_EQ(d.consumed, static_cast<int>(seq.bytes.size()));
      EXPECT_EQ(CodesOf(d), seq.codes);
    }
  }
}

TEST(KeyDecode, SequenceEndsAtItsFinalByteWhateverFollows) {
  for (const auto& seq : kSequences) {
    SCOPED_TRACE(Printable(seq.bytes));
    for (std::string_view next : {"z", "1", "\033", "~"}) {
      const std::string bytes = std::string(seq.bytes) + std::string(next);
      const KeyDecode d = DecodeKey(Bytes(bytes), false);
      EXPECT_EQ(d.consumed, static_cast<int>(seq.bytes.size()));
      EXPECT_EQ(CodesOf(d), seq.codes);
    }
  }
}

TEST(KeyDecode, SplitReadNeedsMoreUntilComplete) {
  for (const auto& seq : kSequences) {
    SCOPED_TRACE(Printable(seq.bytes));
    for (std::size_t n = 1; n < seq.bytes.size(); ++n) {
      const KeyDecode d = DecodeKey(Bytes(seq.bytes.substr(0, n)), false);
      EXPECT_EQ(d.kind, Kind::NeedMore) << "after " << n << " bytes";
      EXPECT_EQ(d.count, 0);
    }
  }
}

TEST(KeyDecode, IncompleteSequenceWhenNothingMoreComes) {
  struct Case {
    std::string_view bytes;
    Kind kind;
    int consumed;
    Codes codes;
  };
  const Case cases[] = {
      {"\033", Kind::Codes, 1, {27}},
      {"\033[", Kind::Dropped, 2, {}},
      {"\033[1;", Kind::Dropped, 4, {}},
      {"\033[15", Kind::Dropped, 4, {}},
      {"\033O", Kind::Dropped, 2, {}},
      {"\033O1", Kind::Dropped, 3, {}},
      {"\033[[", Kind::Dropped, 3, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Printable(c.bytes));
    EXPECT_EQ(DecodeKey(Bytes(c.bytes), false).kind, Kind::NeedMore);
    const KeyDecode d = DecodeKey(Bytes(c.bytes), true);
    EXPECT_EQ(d.kind, c.kind);
    EXPECT_EQ(d.consumed, c.consumed);
    EXPECT_EQ(CodesOf(d), c.codes);
  }
}

TEST(KeyDecode, EscFollowedByANonIntroducerIsEscAlone) {
  for (std::string_view bytes : {"\033\033", "\033x", "\033\r", "\033\xe0", "\033\033[A"}) {
    SCOPED_TRACE(Printable(bytes));
    for (bool final : {false, true}) {
      const KeyDecode d = DecodeKey(Bytes(bytes), final);
      EXPECT_EQ(d.kind, Kind::Codes);
      EXPECT_EQ(d.consumed, 1);
      EXPECT_EQ(CodesOf(d), Codes{27});
    }
  }
}

TEST(KeyDecode, MalformedSequenceIsDroppedUpToTheOffendingByte) {
  struct Case {
    std::string_view bytes;
    int consumed;
  };
  const Case cases[] = {
      {"\033[1\033[A", 3},
      {"\033[\033", 2},
      {"\033[1;\n", 4},
      {"\033[1;\x80", 4},
      {"\033[2 5", 4},
      {"\033O\033", 2},
      {"\033O ", 2},
      {"\033O1\r", 3},
      {"\033[[\033", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Printable(c.bytes));
    const KeyDecode d = DecodeKey(Bytes(c.bytes), false);
    EXPECT_EQ(d.kind, Kind::Dropped);
    EXPECT_EQ(d.consumed, c.consumed);
    EXPECT_EQ(d.count, 0);
  }
}

TEST(KeyDecode, OverlongSequenceIsDroppedAtTheBound) {
  const std::string head = "\033[";
  const std::string up = head + std::string(kMaxKeySequence - 3, '1') + "A";
  ASSERT_EQ(up.size(), static_cast<std::size_t>(kMaxKeySequence));
  EXPECT_EQ(CodesOf(DecodeKey(Bytes(up), false)), (Codes{224, 'H'}));
  EXPECT_EQ(DecodeKey(Bytes(up.substr(0, up.size() - 1)), false).kind, Kind::NeedMore);

  const std::string open = head + std::string(2 * kMaxKeySequence, '1') + "A";
  for (std::size_t n : {std::size_t{kMaxKeySequence}, open.size()}) {
    const KeyDecode d = DecodeKey(Bytes(open.substr(0, n)), false);
    EXPECT_EQ(d.kind, Kind::Dropped);
    EXPECT_EQ(d.consumed, kMaxKeySequence);
  }
}

TEST(KeyDecode, PlainBytesPassThroughOneAtATime) {
  for (int b = 0; b < 256; ++b) {
    if (b == 27) continue;
    const std::string bytes = {static_cast<char>(b), '\033', '['};
    const KeyDecode d = DecodeKey(Bytes(bytes), false);
    EXPECT_EQ(d.kind, Kind::Codes) << b;
    EXPECT_EQ(d.consumed, 1) << b;
    EXPECT_EQ(CodesOf(d), Codes{b}) << b;
  }
}

TEST(KeyDecode, EmptyInputNeedsMore) {
  EXPECT_EQ(DecodeKey({}, false).kind, Kind::NeedMore);
}

TEST(KeyDecode, StreamsOfKeysDecodeInTurn) {
  struct Case {
    std::string_view bytes;
    Codes codes;
  };
  const Case cases[] = {
      {"\033\033[A", {27, 224, 'H'}},
      {"\033\033", {27, 27}},
      {"\033q", {27, 'q'}},
      {"a\033[Zb", {'a', 'b'}},
      {"\033[1\033[B", {224, 'P'}},
      {"\033[24~\033OP\xe0", {224, 134, 0, ';', 224}},
      {"\033[1;", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Printable(c.bytes));
    EXPECT_EQ(DecodeAll(c.bytes), c.codes);
  }
}

}  // namespace
