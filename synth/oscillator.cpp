#include "synth/oscillator.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

Oscillator* Carrier = nullptr;
Oscillator* AmMod = nullptr;
Oscillator* FmMod = nullptr;
Oscillator* PmMod = nullptr;
Oscillator* Voice2 = nullptr;

namespace {
constexpr double kTwoPi = 6.2831853;  // the constant the sound is defined with, not full-precision 2π
}

Oscillator::Oscillator(float ampl, float freq)
    : Phase(0.0f), Ampl(ampl), Freq(freq), APhase(0.0f), AAmpl(ampl), AFreq(freq) {}

void Oscillator::Step() {
  const double afreq = AFreq;
  float cycle = static_cast<float>(afreq / kStepRate + static_cast<double>(Cycle));
  if (cycle > 1.0f) cycle = static_cast<float>(static_cast<double>(cycle) - 1.0);
  // Above 44100 Hz one subtraction a period can't keep up and Cycle runs
  // away; bring it back once the frequency is sane again, and never keep a
  // value that can't come back at all.
  if (!std::isfinite(cycle)) {
    cycle = 0.0f;
  } else if (cycle > 1.0f && afreq <= kStepRate) {
    const double c = cycle;
    cycle = static_cast<float>(c - std::floor(c));
  }
  Cycle = cycle;
  Value = static_cast<float>(std::sin((static_cast<double>(cycle) + static_cast<double>(APhase)) * kTwoPi) *
                             static_cast<double>(AAmpl));
}

void Oscillator::CopyBase() {
  SetShared(AFreq, Shared(Freq));
  SetShared(APhase, Shared(Phase));
  SetShared(AAmpl, Shared(Ampl));
}

void Oscillator::PrintStatus() const {
  std::printf("Freq [%f] Ampl [%f] Phase [%f] - AFreq [%f] AAmpl [%f] APhase [%f]  \n",
              static_cast<double>(Shared(Freq)), static_cast<double>(Shared(Ampl)),
              static_cast<double>(Shared(Phase)), static_cast<double>(Shared(AFreq)),
              static_cast<double>(Shared(AAmpl)), static_cast<double>(Shared(APhase)));
}

void CreateVoiceGraph() {
  Carrier = new Oscillator(1.0f, 440.0f);
  AmMod = new Oscillator(1.0f, 0.0f);
  FmMod = new Oscillator(1.0f, 0.0f);
  PmMod = new Oscillator(1.0f, 0.0f);
  Voice2 = new Oscillator(1.0f, 880.0f);
}

namespace {

float StepModulator(Oscillator& m) {
  m.CopyBase();
  m.Step();
  return m.Value;
}

// A modulator with amplitude or frequency 0 is left out, whatever its output.
bool Active(const Oscillator& m) { return m.AAmpl != 0.0f && m.AFreq != 0.0f; }

// target × (1 + modulation), as modulation × target + target in double.
float Modulate(float modulation, float target) {
  const double t = target;
  return static_cast<float>(static_cast<double>(modulation) * t + t);
}

}  // namespace

GraphOut GraphStep() {
  GraphOut out{};
  out.pm = StepModulator(*PmMod);
  out.fm = StepModulator(*FmMod);
  out.am = StepModulator(*AmMod);
  Oscillator& c = *Carrier;
  c.CopyBase();
  if (Active(*AmMod)) SetShared(c.AAmpl, Modulate(out.am, c.AAmpl));
  if (Active(*FmMod)) SetShared(c.AFreq, Modulate(out.fm, c.AFreq));
  if (Active(*PmMod)) SetShared(c.APhase, Modulate(out.pm, c.APhase));
  c.Step();
  out.c = c.Value;
  out.v = StepModulator(*Voice2);
  return out;
}

Scaled ScaleVoices(const GraphOut& out) {
  Scaled s{};
  s.sc = static_cast<float>(static_cast<double>(out.c) * 10000.0);
  s.sv = static_cast<float>(static_cast<double>(out.v) * 10000.0);
  s.sum = static_cast<float>(static_cast<double>(s.sc) + static_cast<double>(s.sv));
  return s;
}

short SampleFromSum(float sum) {
  if (!(sum >= -2147483648.0f && sum < 2147483648.0f)) return 0;
  const auto whole = static_cast<std::int32_t>(sum);
  return static_cast<short>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(whole) & 0xFFFFu));
}

void AudioPass(void* block, int length) {
  auto* out = static_cast<unsigned char*>(block);
  const int frames = length >> 2;
  for (int frame = 0; frame < frames; ++frame) {
    const auto sample = static_cast<std::uint16_t>(SampleFromSum(ScaleVoices(GraphStep()).sum));
    const auto lo = static_cast<unsigned char>(sample & 0xFFu);
    const auto hi = static_cast<unsigned char>(sample >> 8);
    out[0] = lo;
    out[1] = hi;
    out[2] = lo;
    out[3] = hi;
    out += 4;
  }
}
