// What a key does while the synthesiser plays: note numbers, the carrier's
// and second voice's frequencies, the raise/lower parameter keys, the floor
// on small values, and the four status lines.
#pragma once

// Frequency of note n in Hz: 8.1757989 × 2^((n + 11) / 12); note 58 is 440 Hz.
float NoteFrequency(int note);

// Applies one key code, taken as a signed 8-bit character, to the two note
// numbers and the oscillators' base fields, and prints the status lines.
void HandleKey(signed char key, int& note, int& note2);
