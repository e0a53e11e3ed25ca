#include "synth/oscillator.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>

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

namespace {

// A cycle still above 1 after a period's wrap. Above 44100 Hz one subtraction
// a period can't keep up and Cycle runs away; bring it back once the
// frequency is sane again, and never keep a value that can't come back at all.
float RunawayCycle(float cycle, double f) {
  if (!std::isfinite(cycle)) return 0.0f;
  if (f > kStepRate) return cycle;
  const double c = cycle;
  return static_cast<float>(c - std::floor(c));
}

// The cycle one period on at frequency afreq. A usual period takes two
// comparisons, wrap or not; the rare cases are out of line.
inline float NextCycle(float cycle, float afreq) {
  const double f = afreq;
  cycle = static_cast<float>(f / kStepRate + static_cast<double>(cycle));
  if (cycle > 1.0f) {
    cycle = static_cast<float>(static_cast<double>(cycle) - 1.0);
    if (cycle > 1.0f) return RunawayCycle(cycle, f);  // +inf included
  } else if (!(cycle >= -std::numeric_limits<float>::max())) {
    return 0.0f;  // NaN or -inf
  }
  return cycle;
}

// The sine's argument, in radians, for a cycle and phase offset.
inline double SineArgument(float cycle, float aphase) {
  return (static_cast<double>(cycle) + static_cast<double>(aphase)) * kTwoPi;
}

inline float SineOf(double argument, float aampl) {
  return static_cast<float>(std::sin(argument) * static_cast<double>(aampl));
}

inline float SineValue(float cycle, float aphase, float aampl) { return SineOf(SineArgument(cycle, aphase), aampl); }

}  // namespace

void Oscillator::Step() {
  Cycle = NextCycle(Cycle, AFreq);
  Value = SineValue(Cycle, APhase, AAmpl);
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

// A modulator with amplitude or frequency 0 is left out, whatever its output.
bool Active(const Oscillator& m) { return m.AAmpl != 0.0f && m.AFreq != 0.0f; }

// target × (1 + modulation), as modulation × target + target in double.
float Modulate(float modulation, float target) {
  const double t = target;
  return static_cast<float>(static_cast<double>(modulation) * t + t);
}

// An oscillator run for n periods with its actual fields equal to its base
// fields, read once: a modulator or the second voice.
//
// The periods' sines depend on nothing but their own cycle, so they don't wait
// on one another; what a sine call can wait on is its argument. Each period's
// cycle and argument are therefore worked out one period ahead, while the sine
// before runs, and the cycle recurrence stays off the path of the sine calls.
void RunFromBase(Oscillator& o, GraphOut* out, float GraphOut::*value, int n) {
  const float freq = Shared(o.Freq);
  const float phase = Shared(o.Phase);
  const float ampl = Shared(o.Ampl);
  float cycle = NextCycle(o.Cycle, freq);
  double argument = SineArgument(cycle, phase);
  for (int i = 0; i < n; ++i) {
    const double now = argument;
    if (i + 1 < n) {
      cycle = NextCycle(cycle, freq);
      argument = SineArgument(cycle, phase);
    }
    out[i].*value = SineOf(now, ampl);
  }
  o.Cycle = cycle;
  o.Value = out[n - 1].*value;
  SetShared(o.AFreq, freq);
  SetShared(o.APhase, phase);
  SetShared(o.AAmpl, ampl);
}

}  // namespace

void GraphSteps(GraphOut* out, int n) {
  if (n <= 0 || n > kGraphBatch) return;
  RunFromBase(*PmMod, out, &GraphOut::pm, n);
  RunFromBase(*FmMod, out, &GraphOut::fm, n);
  RunFromBase(*AmMod, out, &GraphOut::am, n);

  // The carrier, modulated period by period by the outputs above, and run one
  // period ahead as the others are.
  Oscillator& carrier = *Carrier;
  const float freq = Shared(carrier.Freq);
  const float phase = Shared(carrier.Phase);
  const float ampl = Shared(carrier.Ampl);
  const bool amOn = Active(*AmMod), fmOn = Active(*FmMod), pmOn = Active(*PmMod);
  float afreq, aphase, aampl;
  float cycle = carrier.Cycle;
  const auto advance = [&](const GraphOut& g) {
    aampl = amOn ? Modulate(g.am, ampl) : ampl;
    afreq = fmOn ? Modulate(g.fm, freq) : freq;
    aphase = pmOn ? Modulate(g.pm, phase) : phase;
    cycle = NextCycle(cycle, afreq);
    return SineArgument(cycle, aphase);
  };
  double argument = advance(out[0]);
  for (int i = 0; i < n; ++i) {
    const double now = argument;
    const float nowAmpl = aampl;
    if (i + 1 < n) argument = advance(out[i + 1]);
    out[i].c = SineOf(now, nowAmpl);
  }
  carrier.Cycle = cycle;
  carrier.Value = out[n - 1].c;
  SetShared(carrier.AFreq, afreq);
  SetShared(carrier.APhase, aphase);
  SetShared(carrier.AAmpl, aampl);

  RunFromBase(*Voice2, out, &GraphOut::v, n);
}

GraphOut GraphStep() {
  GraphOut out;
  GraphSteps(&out, 1);
  return out;
}

short SampleFromSum(float sum) {
  if (!(sum >= -2147483648.0f && sum < 2147483648.0f)) return 0;
  const auto whole = static_cast<std::int32_t>(sum);
  return static_cast<short>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(whole) & 0xFFFFu));
}

void AudioPass(void* block, int length) {
  auto* out = static_cast<unsigned char*>(block);
  GraphOut steps[kGraphBatch];
  for (int left = length >> 2; left > 0; left -= kGraphBatch) {
    const int n = left < kGraphBatch ? left : kGraphBatch;
    GraphSteps(steps, n);
    for (int i = 0; i < n; ++i) {
      const auto sample = static_cast<std::uint16_t>(SampleFromSum(ScaleVoices(steps[i]).sum));
      const auto lo = static_cast<unsigned char>(sample & 0xFFu);
      const auto hi = static_cast<unsigned char>(sample >> 8);
      out[0] = lo;
      out[1] = hi;
      out[2] = lo;
      out[3] = hi;
      out += 4;
    }
  }
}
