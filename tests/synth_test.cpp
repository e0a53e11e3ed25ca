// The voice graph: exact samples, the modulation rules, the wrap of large
// sums, and the guards on run-away cycles and undefined conversions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "synth/oscillator.h"

namespace {

class VoiceGraph : public ::testing::Test {
 protected:
  void SetUp() override { CreateVoiceGraph(); }
  void TearDown() override {
    for (Oscillator* o : {Carrier, AmMod, FmMod, PmMod, Voice2}) delete o;
  }

  static std::vector<std::int16_t> Stream(int bytes) {
    std::vector<std::int16_t> block(static_cast<std::size_t>(bytes) / 2);
    AudioPass(block.data(), bytes);
    return block;
  }
};

// First samples at 440 + 880 Hz, worked out by hand from the formulas in
// single-precision storage: frame 0 is sin(0.00998·2π)·10000 + sin(0.01995·2π)·10000.
TEST_F(VoiceGraph, FirstSamplesAtStartValues) {
  const std::vector<std::int16_t> s = Stream(20000 * 4);
  const std::int16_t first[] = {1876, 3731, 5542, 7288, 8949, 10506, 11941, 13238};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(s[2 * i], first[i]) << "frame " << i;
    EXPECT_EQ(s[2 * i + 1], first[i]) << "right of frame " << i;
  }
  EXPECT_EQ(s[2 * 49], -71);
  EXPECT_EQ(s[2 * 100], 1451);
  EXPECT_EQ(s[2 * 16383], -1906);
  EXPECT_EQ(s[2 * 16384], -1341);
}

TEST_F(VoiceGraph, SamplesAreLittleEndian) {
  unsigned char bytes[4];
  AudioPass(bytes, 4);
  EXPECT_EQ(bytes[0] | (bytes[1] << 8), 1876);
  EXPECT_EQ(bytes[2] | (bytes[3] << 8), 1876);
}

// Which carrier field each modulator scales, and that one with amplitude or
// frequency 0 is left out whatever its output.
TEST_F(VoiceGraph, ModulationRules) {
  enum Field { kAmpl, kFreq, kPhase };
  struct Case {
    Oscillator** modulator;
    float ampl, freq;
    Field field;
    bool applies;
  };
  const Case cases[] = {
      {&AmMod, 1.0f, 5512.5f, kAmpl, true},  {&AmMod, 0.0f, 5512.5f, kAmpl, false},
      {&AmMod, 1.0f, 0.0f, kAmpl, false},     {&FmMod, 0.5f, 5512.5f, kFreq, true},
      {&FmMod, 0.0f, 5512.5f, kFreq, false}, {&FmMod, 0.5f, 0.0f, kFreq, false},
      {&PmMod, 1.0f, 5512.5f, kPhase, true}, {&PmMod, 0.0f, 5512.5f, kPhase, false},
      {&PmMod, 1.0f, 0.0f, kPhase, false},
  };
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    Carrier->Phase = 0.25f;
    Oscillator& m = **c.modulator;
    m.Ampl = c.ampl;
    m.Freq = c.freq;
    m.Phase = 0.25f;  // a non-zero output even at 0 Hz, so leaving out is seen
    GraphStep();
    // 5512.5 Hz is an eighth of a cycle a period: the output is about
    // sin(0.375·2π) ≈ 0.71 at amplitude 1 and sin(0.25·2π) = 1 at 0 Hz.
    const double out = m.Value;
    if (c.ampl != 0.0f) {
      ASSERT_GT(std::fabs(out), 0.3);
    }
    const float base[] = {1.0f, 440.0f, 0.25f};
    const float actual[] = {Carrier->AAmpl, Carrier->AFreq, Carrier->APhase};
    for (int f = 0; f < 3; ++f) {
      const bool modulated = c.applies && f == c.field;
      const float expected = modulated ? static_cast<float>(out * base[f] + base[f]) : base[f];
      EXPECT_EQ(actual[f], expected) << "modulator " << (c.modulator == &AmMod ? "am" : c.modulator == &FmMod ? "fm" : "pm")
                                     << " ampl " << c.ampl << " freq " << c.freq << " field " << f;
    }
  }
}

TEST(SampleFromSum, WrapsTruncatesAndGuards) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float sum;
    short sample;
  } cases[] = {
      {0.0f, 0},           {2.9f, 2},           {-2.9f, -2},           {32767.0f, 32767},
      {32768.0f, -32768},  {40000.0f, -25536},  {-32769.0f, 32767},    {65536.0f, 0},
      {65537.5f, 1},       {1e9f, -13824},      {2147483520.0f, -128}, {-2147483648.0f, 0},
      {2147483648.0f, 0},  {-2147483904.0f, 0}, {3e9f, 0},             {nan, 0},
      {inf, 0},            {-inf, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(SampleFromSum(c.sum), c.sample) << "sum " << c.sum;
}

TEST_F(VoiceGraph, LoudCarrierWrapsInTheStream) {
  Carrier->Ampl = 4.0f;
  Voice2->Ampl = 0.0f;
  const std::vector<std::int16_t> s = Stream(30 * 4);
  // Frame 24: the carrier near its peak, sum ≈ 39998, stored as 39998 − 65536.
  EXPECT_LT(s[2 * 24], -25000);
  EXPECT_GT(s[2 * 24], -26000);
}

TEST_F(VoiceGraph, BlockLengthsDoNotChangeTheStream) {
  const int total = 3 * 65536;
  const std::vector<std::int16_t> whole = Stream(total);
  for (int chunk : {4, 1000, 65536}) {
    TearDown();
    SetUp();
    std::vector<std::int16_t> pieces;
    for (int done = 0; done < total; done += chunk) {
      const std::vector<std::int16_t> part = Stream(chunk);
      pieces.insert(pieces.end(), part.begin(), part.end());
    }
    pieces.resize(whole.size());
    EXPECT_EQ(pieces, whole) << "chunks of " << chunk << " bytes";
  }
}

TEST(OscillatorStep, CycleAtTheEdges) {
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    const char* what;
    float cycle, afreq, expected;
  } cases[] = {
      // One subtraction at most; exactly 1 stays.
      {"wraps once", 0.995f, 441.0f, 0.005f},
      {"exactly one stays", 0.5f, 22050.0f, 1.0f},
      {"negative frequency moves down, no wrap", -3.0f, -441.0f, -3.01f},
      // Above 44100 Hz it still grows as designed: 0.5 + 2 − 1.
      {"growth above 44100", 0.5f, 88200.0f, 1.5f},
      // After a run-away, a sane frequency brings the cycle back into range.
      {"run-away recovers", 5.25f, 0.0f, 0.25f},
      // Past 2^24 subtracting 1 changes nothing; the fraction of such a float is 0.
      {"far run-away recovers", 3.0e7f, 441.0f, 0.0f},
      {"infinite frequency", 0.5f, inf, 0.0f},
      {"minus infinite frequency", 0.5f, -inf, 0.0f},
      {"NaN frequency", 0.5f, std::numeric_limits<float>::quiet_NaN(), 0.0f},
      {"infinite cycle", inf, 440.0f, 0.0f},
  };
  for (const auto& c : cases) {
    Oscillator o(1.0f, c.afreq);
    o.Cycle = c.cycle;
    o.Step();
    EXPECT_NEAR(o.Cycle, c.expected, 1e-6) << c.what;
    EXPECT_TRUE(std::isfinite(o.Value)) << c.what;
  }
}

// A carrier driven above 44100 Hz and brought back sounds again at once,
// instead of staying garbled while Cycle wanders far from [0, 1].
TEST_F(VoiceGraph, CarrierSoundsAgainAfterRunAway) {
  Voice2->Ampl = 0.0f;
  Carrier->Freq = 3.0e38f;
  Stream(16384 * 4);
  Carrier->Freq = 440.0f;
  GraphStep();
  EXPECT_GE(Carrier->Cycle, 0.0f);
  EXPECT_LE(Carrier->Cycle, 1.0f);
  // A full swing within 200 frames: the cycle moves again.
  const std::vector<std::int16_t> s = Stream(200 * 4);
  const auto [low, high] = std::minmax_element(s.begin(), s.end());
  EXPECT_GT(*high, 9900);
  EXPECT_LT(*low, -9900);
}

}  // namespace

namespace {

// Batches of any size give, period for period, what single steps give, with
// every modulator at work and a run-away carrier among the settings.
TEST(GraphSteps, SameAsOneStepAtATime) {
  const struct {
    float amF, amA, fmF, fmA, pmF, pmA, carrierF, carrierP;
  } settings[] = {
      {0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1.0f, 440.0f, 0.0f},
      {3.5f, 0.4f, 7.1f, 2.5f, 1.3f, -0.7f, 440.0f, 0.3f},
      {2.0f, 1.0f, 50000.0f, 1.0f, 0.1f, 0.0f, 50000.0f, 0.0f},
  };
  for (const auto& s : settings) {
    std::vector<GraphOut> single, batched;
    for (bool batch : {false, true}) {
      CreateVoiceGraph();
      AmMod->Freq = s.amF;
      AmMod->Ampl = s.amA;
      FmMod->Freq = s.fmF;
      FmMod->Ampl = s.fmA;
      PmMod->Freq = s.pmF;
      PmMod->Ampl = s.pmA;
      Carrier->Freq = s.carrierF;
      Carrier->Phase = s.carrierP;
      auto& out = batch ? batched : single;
      out.resize(1000);
      if (batch) {
        for (int done = 0; done < 1000; done += 37) GraphSteps(&out[done], std::min(37, 1000 - done));
      } else {
        for (GraphOut& g : out) g = GraphStep();
      }
      for (Oscillator* o : {Carrier, AmMod, FmMod, PmMod, Voice2}) delete o;
    }
    for (int i = 0; i < 1000; ++i) {
      const GraphOut& a = single[i];
      const GraphOut& b = batched[i];
      ASSERT_TRUE(a.pm == b.pm && a.fm == b.fm && a.am == b.am && a.c == b.c && a.v == b.v)
          << "period " << i << " of setting with carrier at " << s.carrierF;
    }
  }
}

}  // namespace
