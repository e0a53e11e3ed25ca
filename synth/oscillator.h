// The voice graph: a sine oscillator, the five oscillators linked into it and
// one sample period of the graph. Signal code only: no platform in here.
//
// Threads: the key handler (main thread) writes the base fields Freq, Ampl and
// Phase; the stream thread writes the actual fields AFreq, AAmpl, APhase and
// alone touches Cycle and Value. Every field shared between the two is read
// and written whole through Shared()/SetShared(), relaxed atomics over the
// plain floats: a change takes effect at the next sample period, with no lock.
#pragma once

#include <atomic>
#include <cstdint>

inline float Shared(const float& field) {
  return std::atomic_ref<float>(const_cast<float&>(field)).load(std::memory_order_relaxed);
}
inline void SetShared(float& field, float value) {
  std::atomic_ref<float>(field).store(value, std::memory_order_relaxed);
}

inline constexpr double kStepRate = 44100.0;  // sample periods per second of Step

class Oscillator {
 public:
  Oscillator(float ampl, float freq);

  // Advances one sample period and computes Value.
  void Step();
  // "Freq [..] Ampl [..] Phase [..] - AFreq [..] AAmpl [..] APhase [..]  \n"
  void PrintStatus() const;

  float Value = 0.0f;  // output of the last Step
  float Cycle = 0.0f;  // position within the cycle, in cycles
  float Phase;         // base phase offset, in cycles
  float Ampl;          // base amplitude
  float Freq;          // base frequency, Hz
  float APhase;        // actual phase offset used by Step
  float AAmpl;         // actual amplitude used by Step
  float AFreq;         // actual frequency used by Step, Hz
};

// The five oscillators, created at start-up and never freed.
extern Oscillator* Carrier;
extern Oscillator* AmMod;
extern Oscillator* FmMod;
extern Oscillator* PmMod;
extern Oscillator* Voice2;

// Creates the five oscillators at their start values.
void CreateVoiceGraph();

struct GraphOut {
  float pm, fm, am, c, v;
};

// One sample period of the graph: the modulators, the modulated carrier and
// the second voice, in that order.
GraphOut GraphStep();

// The most periods GraphSteps computes in one call.
inline constexpr int kGraphBatch = 64;

// n consecutive periods of the graph (n at most kGraphBatch), the same as n
// calls of GraphStep while the base fields stay as they are; the base fields
// are read once, at the first period. Each oscillator's periods are computed
// together, so the sine evaluations don't wait on one another.
void GraphSteps(GraphOut* out, int n);

// Carrier and second voice scaled to the 16-bit range, as the stream and the
// picture use them.
struct Scaled {
  float sc, sv, sum;
};
inline Scaled ScaleVoices(const GraphOut& out) {
  Scaled s{};
  s.sc = static_cast<float>(static_cast<double>(out.c) * 10000.0);
  s.sv = static_cast<float>(static_cast<double>(out.v) * 10000.0);
  s.sum = static_cast<float>(static_cast<double>(s.sc) + static_cast<double>(s.sv));
  return s;
}

// The sample for a sum: truncated toward zero, low 16 bits kept (large sums
// wrap). A sum that is NaN or beyond the 32-bit integer range gives 0.
short SampleFromSum(float sum);

// Fills length >> 2 stereo frames of signed 16-bit little-endian samples,
// one GraphStep a frame, the same sample left and right.
void AudioPass(void* block, int length);
