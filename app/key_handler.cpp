#include "app/key_handler.h"

#include <cmath>
#include <cstdio>

#include "synth/oscillator.h"

namespace {

void Change(float& field, double delta) { SetShared(field, static_cast<float>(static_cast<double>(Shared(field)) + delta)); }

// Values at or below 0.0001 (and NaN) become exactly 0.
void Floor(float& field) {
  if (!(static_cast<double>(Shared(field)) > 0.0001)) SetShared(field, 0.0f);
}

struct ParameterKey {
  char key;
  Oscillator** oscillator;
  float Oscillator::*field;
  double delta;
};

// Tested in this order; a key listed twice acts twice.
const ParameterKey kParameterKeys[] = {
    {'z', &Carrier, &Oscillator::Ampl, +0.01},  {'s', &Carrier, &Oscillator::Ampl, -0.01},
    {'e', &AmMod, &Oscillator::Freq, +0.5},     {'d', &AmMod, &Oscillator::Freq, -0.5},
    {'r', &AmMod, &Oscillator::Ampl, +0.01},    {'f', &AmMod, &Oscillator::Ampl, -0.01},
    {'t', &AmMod, &Oscillator::Phase, +0.1},    {'g', &AmMod, &Oscillator::Phase, -0.1},
    {'y', &FmMod, &Oscillator::Freq, +0.1},     {'h', &FmMod, &Oscillator::Freq, -0.1},
    {'u', &FmMod, &Oscillator::Ampl, +0.01},    {'j', &FmMod, &Oscillator::Ampl, -0.01},
    {'i', &FmMod, &Oscillator::Phase, +0.1},    {'k', &FmMod, &Oscillator::Phase, -0.1},
    {'u', &PmMod, &Oscillator::Freq, +0.1},     {'j', &PmMod, &Oscillator::Freq, -0.1},
    {'i', &PmMod, &Oscillator::Ampl, +0.01},    {'k', &PmMod, &Oscillator::Ampl, -0.01},
    {'o', &PmMod, &Oscillator::Phase, +0.1},    {'l', &PmMod, &Oscillator::Phase, -0.1},
};

struct NoteKey {
  char key;
  int note;
};
const NoteKey kNoteKeys[] = {{'w', 61}, {'x', 63}, {'c', 65}, {'v', 66},
                             {'b', 68}, {'n', 70}, {',', 71}, {';', 72}};

void MoveNotes(signed char key, int& note, int& note2) {
  if (key == 'A') ++note2;
  if (key == 'Q') --note2;
  if (key == 'a') ++note;
  if (key == 'q') --note;
  for (const NoteKey& n : kNoteKeys) {
    if (key == n.key) note = n.note;
  }
}

}  // namespace

float NoteFrequency(int note) {
  const double exponent = (static_cast<double>(note) + 11.0) / 12.0;
  return static_cast<float>(8.1757989 * std::pow(2.0, exponent));
}

void HandleKey(signed char key, int& note, int& note2) {
  MoveNotes(key, note, note2);

  SetShared(Carrier->Freq, NoteFrequency(note));
  SetShared(Voice2->Freq, NoteFrequency(note2));

  for (const ParameterKey& p : kParameterKeys) {
    if (key == p.key) Change((*p.oscillator)->*p.field, p.delta);
  }

  Floor(Carrier->Ampl);
  Floor(AmMod->Ampl);
  Floor(FmMod->Ampl);
  Floor(Carrier->Freq);
  Floor(AmMod->Freq);
  Floor(FmMod->Freq);
  Floor(Carrier->Phase);
  Floor(AmMod->Phase);
  Floor(FmMod->Phase);

  std::printf("Note [%d] -> [%f]\n", note, static_cast<double>(Shared(Carrier->Freq)));
  Carrier->PrintStatus();
  AmMod->PrintStatus();
  FmMod->PrintStatus();
}
