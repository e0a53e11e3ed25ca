// The key handler over the five oscillators: which fields each key changes
// and by how much, the note numbers and their frequencies, the floor on small
// values, and the four status lines. Expected floats were worked out apart
// (Python, single-precision storage).
#include "app/key_handler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "synth/oscillator.h"

namespace {

using Field = float Oscillator::*;

// NoteFrequency's values as floats, from 8.1757989 × 2^((n + 11) / 12).
float Hz(int note) {
  switch (note) {
    case 57: return 415.304688f;
    case 58: return 440.0f;
    case 59: return 466.163757f;
    case 61: return 523.25116f;
    case 63: return 587.329529f;
    case 64: return 622.253967f;
    case 65: return 659.255127f;
    case 66: return 698.456482f;
    case 68: return 783.990845f;
    case 70: return 880.0f;
    case 71: return 932.327515f;
    case 72: return 987.766602f;
  }
  ADD_FAILURE() << "no frequency for note " << note;
  return 0.0f;
}

constexpr std::array<Field, 6> kFields = {&Oscillator::Freq,  &Oscillator::Ampl,  &Oscillator::Phase,
                                          &Oscillator::AFreq, &Oscillator::AAmpl, &Oscillator::APhase};
constexpr std::array<const char*, 6> kFieldNames = {"Freq", "Ampl", "Phase", "AFreq", "AAmpl", "APhase"};
constexpr std::array<Oscillator**, 5> kOscillators = {&Carrier, &AmMod, &FmMod, &PmMod, &Voice2};
constexpr std::array<const char*, 5> kOscillatorNames = {"Carrier", "AmMod", "FmMod", "PmMod", "Voice2"};

using Snapshot = std::array<std::array<float, 6>, 5>;

Snapshot Take() {
  Snapshot s{};
  for (std::size_t o = 0; o < kOscillators.size(); ++o) {
    for (std::size_t f = 0; f < kFields.size(); ++f) s[o][f] = (*kOscillators[o])->*kFields[f];
  }
  return s;
}

std::size_t IndexOf(Oscillator** o) {
  for (std::size_t i = 0; i < kOscillators.size(); ++i) {
    if (kOscillators[i] == o) return i;
  }
  return 0;
}
std::size_t IndexOf(Field f) {
  for (std::size_t i = 0; i < kFields.size(); ++i) {
    if (kFields[i] == f) return i;
  }
  return 0;
}

void ExpectSame(const Snapshot& expected, const Snapshot& actual) {
  for (std::size_t o = 0; o < kOscillators.size(); ++o) {
    for (std::size_t f = 0; f < kFields.size(); ++f) {
      EXPECT_EQ(actual[o][f], expected[o][f]) << kOscillatorNames[o] << "." << kFieldNames[f];
    }
  }
}

class KeyHandler : public ::testing::Test {
 protected:
  void SetUp() override { CreateVoiceGraph(); }
  void TearDown() override {
    for (Oscillator* o : {Carrier, AmMod, FmMod, PmMod, Voice2}) delete o;
  }

  // Applies one key; gives what it printed.
  std::string Press(int key) {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    HandleKey(static_cast<signed char>(key), note, note2);
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
  }

  int note = 58;   // the program's start values
  int note2 = 64;
};

struct Change {
  Oscillator** oscillator;
  Field field;
  float value;
};

struct KeyCase {
  int key;
  int note;
  int note2;
  std::vector<Change> changes;  // beyond the two frequencies, always set from the notes
};

// From a state where every base amplitude is 0.5, every base phase 0.25 and
// every modulator's frequency 2, so raising and lowering both show.
TEST_F(KeyHandler, EachKeyChangesItsFields) {
  const KeyCase kCases[] = {
      {'z', 58, 64, {{&Carrier, &Oscillator::Ampl, 0.51f}}},
      {'s', 58, 64, {{&Carrier, &Oscillator::Ampl, 0.49f}}},
      {'e', 58, 64, {{&AmMod, &Oscillator::Freq, 2.5f}}},
      {'d', 58, 64, {{&AmMod, &Oscillator::Freq, 1.5f}}},
      {'r', 58, 64, {{&AmMod, &Oscillator::Ampl, 0.51f}}},
      {'f', 58, 64, {{&AmMod, &Oscillator::Ampl, 0.49f}}},
      {'t', 58, 64, {{&AmMod, &Oscillator::Phase, 0.35f}}},
      {'g', 58, 64, {{&AmMod, &Oscillator::Phase, 0.15f}}},
      {'y', 58, 64, {{&FmMod, &Oscillator::Freq, 2.1f}}},
      {'h', 58, 64, {{&FmMod, &Oscillator::Freq, 1.9f}}},
      {'u', 58, 64, {{&FmMod, &Oscillator::Ampl, 0.51f}, {&PmMod, &Oscillator::Freq, 2.1f}}},
      {'j', 58, 64, {{&FmMod, &Oscillator::Ampl, 0.49f}, {&PmMod, &Oscillator::Freq, 1.9f}}},
      {'i', 58, 64, {{&FmMod, &Oscillator::Phase, 0.35f}, {&PmMod, &Oscillator::Ampl, 0.51f}}},
      {'k', 58, 64, {{&FmMod, &Oscillator::Phase, 0.15f}, {&PmMod, &Oscillator::Ampl, 0.49f}}},
      {'o', 58, 64, {{&PmMod, &Oscillator::Phase, 0.35f}}},
      {'l', 58, 64, {{&PmMod, &Oscillator::Phase, 0.15f}}},
      {'a', 59, 64, {}},
      {'q', 57, 64, {}},
      {'A', 58, 65, {}},
      {'Q', 58, 63, {}},
      {'w', 61, 64, {}},
      {'x', 63, 64, {}},
      {'c', 65, 64, {}},
      {'v', 66, 64, {}},
      {'b', 68, 64, {}},
      {'n', 70, 64, {}},
      {',', 71, 64, {}},
      {';', 72, 64, {}},
      // No meaning: the frequencies are still set from the notes.
      {27, 58, 64, {}},
      {'0', 58, 64, {}},
      {'9', 58, 64, {}},
      {'Z', 58, 64, {}},
      {'S', 58, 64, {}},
      {'W', 58, 64, {}},
      {' ', 58, 64, {}},
      {224, 58, 64, {}},
  };
  for (const KeyCase& c : kCases) {
    SCOPED_TRACE(std::string("key ") + std::to_string(c.key) + " '" + static_cast<char>(c.key) + "'");
    TearDown();
    SetUp();
    note = 58;
    note2 = 64;
    for (Oscillator* o : {Carrier, AmMod, FmMod, PmMod}) {
      o->Ampl = 0.5f;
      o->Phase = 0.25f;
      if (o != Carrier) o->Freq = 2.0f;
    }
    Snapshot expected = Take();
    expected[IndexOf(&Carrier)][IndexOf(&Oscillator::Freq)] = Hz(c.note);
    expected[IndexOf(&Voice2)][IndexOf(&Oscillator::Freq)] = Hz(c.note2);  // was 880
    for (const Change& ch : c.changes) expected[IndexOf(ch.oscillator)][IndexOf(ch.field)] = ch.value;

    const std::string out = Press(c.key);

    EXPECT_EQ(note, c.note);
    EXPECT_EQ(note2, c.note2);
    ExpectSame(expected, Take());
    EXPECT_EQ(out.rfind("Note [" + std::to_string(c.note) + "] -> [", 0), 0u) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 4) << out;
  }
}

TEST(NoteFrequency, KnownNotes) {
  EXPECT_EQ(NoteFrequency(58), 440.0f);
  EXPECT_EQ(NoteFrequency(70), 880.0f);
  EXPECT_NEAR(NoteFrequency(64), 622.254, 0.001);
  EXPECT_NEAR(NoteFrequency(46), 220.0, 0.0001);
}

TEST_F(KeyHandler, PrintsTheNoteAndThreeStatusLines) {
  EXPECT_EQ(Press('n'),
            "Note [70] -> [880.000000]\n"
            "Freq [880.000000] Ampl [1.000000] Phase [0.000000] - AFreq [440.000000] AAmpl [1.000000] APhase [0.000000]  \n"
            "Freq [0.000000] Ampl [1.000000] Phase [0.000000] - AFreq [0.000000] AAmpl [1.000000] APhase [0.000000]  \n"
            "Freq [0.000000] Ampl [1.000000] Phase [0.000000] - AFreq [0.000000] AAmpl [1.000000] APhase [0.000000]  \n");
  EXPECT_EQ(Voice2->Freq, Hz(64));

  // The lines show the fields as they are now, the actual ones as last written.
  AmMod->AFreq = 3.0f;
  FmMod->APhase = 0.125f;
  EXPECT_EQ(Press('y'),
            "Note [70] -> [880.000000]\n"
            "Freq [880.000000] Ampl [1.000000] Phase [0.000000] - AFreq [440.000000] AAmpl [1.000000] APhase [0.000000]  \n"
            "Freq [0.000000] Ampl [1.000000] Phase [0.000000] - AFreq [3.000000] AAmpl [1.000000] APhase [0.000000]  \n"
            "Freq [0.100000] Ampl [1.000000] Phase [0.000000] - AFreq [0.000000] AAmpl [1.000000] APhase [0.125000]  \n");
}

TEST_F(KeyHandler, NoteKeysThenStepsBuildOnEachOther) {
  Press('n');
  Press('a');
  EXPECT_EQ(note, 71);
  EXPECT_EQ(Carrier->Freq, Hz(71));
  Press('Q');
  Press('Q');
  EXPECT_EQ(note2, 62);
  EXPECT_EQ(note, 71);
}

// Each step is added in double to the stored float: five raises of 0.01
// from 0 land on 0.05f (single-precision sums would give 0.049999997f).
TEST_F(KeyHandler, StepsAreAddedInDouble) {
  Carrier->Ampl = 0.0f;
  for (int i = 0; i < 5; ++i) Press('z');
  EXPECT_EQ(Carrier->Ampl, 0.05f);
}

TEST_F(KeyHandler, HundredLowersOfCarrierAmplitudeEndAtZero) {
  for (int i = 0; i < 100; ++i) Press('s');
  EXPECT_EQ(Carrier->Ampl, 0.0f);
  EXPECT_FALSE(std::signbit(Carrier->Ampl));
}

// Every floored field: at 0.0001f (just under 0.0001) and below it becomes
// exactly 0; the next float up is kept.
TEST_F(KeyHandler, FloorOnSmallValues) {
  const float kJustAbove = std::nextafter(0.0001f, 1.0f);
  const std::pair<Oscillator**, Field> kFloored[] = {
      {&Carrier, &Oscillator::Ampl},  {&AmMod, &Oscillator::Ampl},  {&FmMod, &Oscillator::Ampl},
      {&AmMod, &Oscillator::Freq},    {&FmMod, &Oscillator::Freq},  {&Carrier, &Oscillator::Phase},
      {&AmMod, &Oscillator::Phase},   {&FmMod, &Oscillator::Phase},
  };
  for (const auto& [osc, field] : kFloored) {
    SCOPED_TRACE(kOscillatorNames[IndexOf(osc)] + std::string(".") + kFieldNames[IndexOf(field)]);
    for (const auto& [before, after] : {std::pair{0.0001f, 0.0f}, std::pair{-3.0f, 0.0f},
                                        std::pair{kJustAbove, kJustAbove}}) {
      (*osc)->*field = before;
      Press('0');
      EXPECT_EQ((*osc)->*field, after) << "from " << before;
    }
  }

  // The carrier's frequency comes from the note: a very low one is floored,
  // the second voice's is not.
  note = -250;
  note2 = -250;
  Press('0');
  EXPECT_EQ(Carrier->Freq, 0.0f);
  EXPECT_EQ(Voice2->Freq, 8.26068572e-06f);
}

TEST_F(KeyHandler, OnlyPhaseModulatorAndSecondVoiceGoBelowZero) {
  Press('g');  // AmMod's phase, from 0
  EXPECT_EQ(AmMod->Phase, 0.0f);

  PmMod->Ampl = 0.0f;
  Press('l');
  Press('k');
  Press('j');
  EXPECT_EQ(PmMod->Phase, -0.1f);
  EXPECT_EQ(PmMod->Ampl, -0.01f);
  EXPECT_EQ(PmMod->Freq, -0.1f);
  EXPECT_EQ(FmMod->Phase, 0.0f);  // 'k' lowered it from 0 too

  Voice2->Ampl = -1.0f;
  Voice2->Phase = 0.00005f;
  PmMod->Phase = 0.00005f;
  Press('0');
  EXPECT_EQ(Voice2->Ampl, -1.0f);
  EXPECT_EQ(Voice2->Phase, 0.00005f);
  EXPECT_EQ(PmMod->Phase, 0.00005f);
}

}  // namespace
