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
  // AFreq = Freq, APhase = Phase, AAmpl = Ampl.
  void CopyBase();
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

// Carrier and second voice scaled to the 16-bit range, as the stream and the
// picture use them.
struct Scaled {
  float sc, sv, sum;
};
Scaled ScaleVoices(const GraphOut& out);

// The sample for a sum: truncated toward zero, low 16 bits kept (large sums
// wrap). A sum that is NaN or beyond the 32-bit integer range gives 0.
short SampleFromSum(float sum);

// Fills length >> 2 stereo frames of signed 16-bit little-endian samples,
// one GraphStep a frame, the same sample left and right.
void AudioPass(void* block, int length);
