// One full block of the block callback (audio pass, drawing pass and flip
// onto a 32-bit surface) against the floor of the sin calls it needs.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include "app/stream_callback.h"
#include "display/display.h"
#include "synth/oscillator.h"

namespace {

constexpr int kBlockFrames = kBlockBytes / 4;

// The window and the graph, made once; gives the steps one drawing pass takes.
int SetUpWindow() {
  static const int drawSteps = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    SDL_Init(SDL_INIT_VIDEO);
    Screen = SDL_SetVideoMode(kScreenWidth, kScreenHeight, 32, SDL_ANYFORMAT);
    CreateVoiceGraph();
    return DrawPass();
  }();
  return drawSteps;
}

// The modulators at work for the length of one benchmark: at the start values
// they run at 0 Hz, and sin(0) costs less than the floor's sine calls, so this
// is the block with every one of its sine calls a full one.
class ModulatorsMoving {
 public:
  ModulatorsMoving() {
    Set(*AmMod, 3.0f, 0.5f, 0.0f);
    Set(*FmMod, 5.0f, 0.01f, 0.0f);
    Set(*PmMod, 7.0f, 0.5f, 0.25f);
  }
  ~ModulatorsMoving() {
    for (Oscillator* m : {AmMod, FmMod, PmMod}) Set(*m, 0.0f, 1.0f, 0.0f);
  }
  ModulatorsMoving(const ModulatorsMoving&) = delete;
  ModulatorsMoving& operator=(const ModulatorsMoving&) = delete;

 private:
  static void Set(Oscillator& o, float freq, float ampl, float phase) {
    o.Freq = freq;
    o.Ampl = ampl;
    o.Phase = phase;
  }
};

void BM_StreamCallback(benchmark::State& state) {
  SetUpWindow();
  std::optional<ModulatorsMoving> moving;
  if (state.range(0) != 0) moving.emplace();
  std::vector<std::int16_t> block(kBlockBytes / 2);
  for (auto _ : state) {
    StreamCallback(nullptr, block.data(), kBlockBytes, nullptr);
    benchmark::DoNotOptimize(block.data());
  }
  state.counters["x_realtime"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kBlockFrames / kStepRate, benchmark::Counter::kIsRate);
}
// 0: the start values; 1: every modulator moving.
BENCHMARK(BM_StreamCallback)->ArgName("moving")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The parts of a block on their own, to see where its time goes.
void BM_AudioPass(benchmark::State& state) {
  SetUpWindow();
  std::vector<std::int16_t> block(kBlockBytes / 2);
  for (auto _ : state) {
    AudioPass(block.data(), kBlockBytes);
    benchmark::DoNotOptimize(block.data());
  }
}
BENCHMARK(BM_AudioPass)->Unit(benchmark::kMillisecond);

void BM_DrawPass(benchmark::State& state) {
  SetUpWindow();
  for (auto _ : state) benchmark::DoNotOptimize(DrawPass());
}
BENCHMARK(BM_DrawPass)->Unit(benchmark::kMillisecond);

void BM_ClearAndFlip(benchmark::State& state) {
  SetUpWindow();
  for (auto _ : state) {
    ClearScreen(Screen);
    FlipScreen(Screen);
  }
}
BENCHMARK(BM_ClearAndFlip)->Unit(benchmark::kMillisecond);

// The floor: five sin calls in double for every audio frame and every
// drawing step, with arguments that move as a cycle does.
void BM_SinFloor(benchmark::State& state) {
  const int calls = (kBlockFrames + SetUpWindow()) * 5;
  double phase = 0.0;
  for (auto _ : state) {
    double sum = 0.0;
    for (int i = 0; i < calls; ++i) {
      phase += 0.0099773;
      if (phase > 1.0) phase -= 1.0;
      sum += std::sin(phase * 6.2831853);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["sin_calls"] = calls;
}
BENCHMARK(BM_SinFloor)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
