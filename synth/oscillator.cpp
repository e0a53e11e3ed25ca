#include "synth/oscillator.h"

#include <cmath>
#include <cstddef>
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

namespace {

// The cycle one period on at frequency afreq.
inline float NextCycle(float cycle, float afreq) {
  const double f = afreq;
  cycle = static_cast<float>(f / kStepRate + static_cast<double>(cycle));
  if (cycle > 1.0f) cycle = static_cast<float>(static_cast<double>(cycle) - 1.0);
  // Above 44100 Hz one subtraction a period can't keep up and Cycle runs
  // away; bring it back once the frequency is sane again, and never keep a
  // value that can't come back at all.
  if (!std::isfinite(cycle)) {
    cycle = 0.0f;
  } else if (cycle > 1.0f && f <= kStepRate) {
    const double c = cycle;
    cycle = static_cast<float>(c - std::floor(c));
  }
  return cycle;
}

inline float SineValue(float cycle, float aphase, float aampl) {
  return static_cast<float>(std::sin((static_cast<double>(cycle) + static_cast<double>(aphase)) * kTwoPi) *
                            static_cast<double>(aampl));
}

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

// n periods of one oscillator: the actual fields of each period, then its
// cycle and its output.
struct Batch {
  Oscillator* osc;
  float freq[kGraphBatch], phase[kGraphBatch], ampl[kGraphBatch];
  float cycle[kGraphBatch], value[kGraphBatch];
};

// Actual fields equal to the base fields, read once.
void FromBase(Batch& b, int n) {
  const float freq = Shared(b.osc->Freq);
  const float phase = Shared(b.osc->Phase);
  const float ampl = Shared(b.osc->Ampl);
  for (int i = 0; i < n; ++i) {
    b.freq[i] = freq;
    b.phase[i] = phase;
    b.ampl[i] = ampl;
  }
}

// The cycles of several oscillators, side by side: each cycle depends on the
// one before it, so interleaving independent oscillators lets their
// recurrences overlap instead of waiting one after the other.
template <std::size_t K>
void AdvanceCycles(Batch* const (&batches)[K], int n) {
  float cycle[K];
  for (std::size_t k = 0; k < K; ++k) cycle[k] = batches[k]->osc->Cycle;
  for (int i = 0; i < n; ++i) {
    for (std::size_t k = 0; k < K; ++k) batches[k]->cycle[i] = cycle[k] = NextCycle(cycle[k], batches[k]->freq[i]);
  }
  for (std::size_t k = 0; k < K; ++k) batches[k]->osc->Cycle = cycle[k];
}

// The outputs, and the oscillator left as after the last period.
void ComputeValues(Batch& b, int n) {
  for (int i = 0; i < n; ++i) b.value[i] = SineValue(b.cycle[i], b.phase[i], b.ampl[i]);
  Oscillator& o = *b.osc;
  o.Value = b.value[n - 1];
  SetShared(o.AFreq, b.freq[n - 1]);
  SetShared(o.APhase, b.phase[n - 1]);
  SetShared(o.AAmpl, b.ampl[n - 1]);
}

}  // namespace

void GraphSteps(GraphOut* out, int n) {
  if (n <= 0 || n > kGraphBatch) return;
  Batch pm, fm, am, c, v;
  pm.osc = PmMod;
  fm.osc = FmMod;
  am.osc = AmMod;
  c.osc = Carrier;
  v.osc = Voice2;

  FromBase(pm, n);
  FromBase(fm, n);
  FromBase(am, n);
  AdvanceCycles({&pm, &fm, &am}, n);
  ComputeValues(pm, n);
  ComputeValues(fm, n);
  ComputeValues(am, n);

  const float freq = Shared(Carrier->Freq);
  const float phase = Shared(Carrier->Phase);
  const float ampl = Shared(Carrier->Ampl);
  const bool amOn = Active(*AmMod), fmOn = Active(*FmMod), pmOn = Active(*PmMod);
  for (int i = 0; i < n; ++i) {
    c.ampl[i] = amOn ? Modulate(am.value[i], ampl) : ampl;
    c.freq[i] = fmOn ? Modulate(fm.value[i], freq) : freq;
    c.phase[i] = pmOn ? Modulate(pm.value[i], phase) : phase;
  }
  FromBase(v, n);
  AdvanceCycles({&c, &v}, n);
  ComputeValues(c, n);
  ComputeValues(v, n);

  for (int i = 0; i < n; ++i) out[i] = {pm.value[i], fm.value[i], am.value[i], c.value[i], v.value[i]};
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
