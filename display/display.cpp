#include "display/display.h"

#include <array>
#include <cstring>

#include "synth/oscillator.h"

SDL_Surface* Screen = nullptr;

namespace {

// The row a point is drawn on, truncated toward zero, or 0 (a row never
// drawn) for a value outside rows 1 to 799, NaN included: one range check
// before the conversion, which is then always defined.
inline int DrawnRow(double row) {
  const double drawn = row >= 1.0 && row < static_cast<double>(kScreenHeight) ? row : 0.0;
  return static_cast<int>(drawn);
}

// The column x advances through in single precision: x starts at 0 and grows
// by 0.01, rounded to a float, while it is below 640. The sequence never
// changes, so how many steps fall in each column is worked out once, at
// compile time, and the pass doesn't wait on the float recurrence.
struct ColumnSteps {
  std::array<int, kScreenWidth> count{};
  int total = 0;
};

constexpr ColumnSteps CountColumnSteps() {
  ColumnSteps steps;
  for (float x = 0.0f; x < static_cast<float>(kScreenWidth); x = static_cast<float>(static_cast<double>(x) + 0.01)) {
    ++steps.count[static_cast<std::size_t>(static_cast<int>(x))];
    ++steps.total;
  }
  return steps;
}

constexpr ColumnSteps kColumnSteps = CountColumnSteps();

}  // namespace

void ClearScreen(SDL_Surface* surface) {
  if (SDL_LockSurface(surface) != 0) return;
  const Uint32 black = SDL_MapRGB(surface->format, 0, 0, 0);
  const auto fill = static_cast<unsigned char>(black & 0xFFu);
  const std::size_t rowBytes = static_cast<std::size_t>(surface->format->BytesPerPixel) * static_cast<std::size_t>(surface->w);
  auto* row = static_cast<unsigned char*>(surface->pixels);
  for (int y = 0; y < surface->h; ++y) {
    std::memset(row, fill, rowBytes);
    row += surface->pitch;
  }
  SDL_UnlockSurface(surface);
}

int DrawPass() {
  Oscillator* const oscillators[] = {Carrier, AmMod, FmMod, PmMod, Voice2};
  float saved[5];
  for (int i = 0; i < 5; ++i) {
    saved[i] = oscillators[i]->Cycle;
    oscillators[i]->Cycle = 0.0f;
  }
  SDL_Surface* const screen = Screen;
  int steps = 0;
  GraphOut out[kGraphBatch];
  int columns[kGraphBatch];
  int column = 0;
  int leftInColumn = kColumnSteps.count[0];
  while (steps < kColumnSteps.total) {
    int n = 0;
    for (; n < kGraphBatch && steps + n < kColumnSteps.total; ++n) {
      while (leftInColumn == 0) leftInColumn = kColumnSteps.count[static_cast<std::size_t>(++column)];
      columns[n] = column;
      --leftInColumn;
    }
    GraphSteps(out, n);
    for (int i = 0; i < n; ++i) {
      const GraphOut& g = out[i];
      const Scaled s = ScaleVoices(g);
      const int x = columns[i];
      PlotPixel(screen, x, DrawnRow(static_cast<double>(g.pm) + 120.0), kRed);
      PlotPixel(screen, x, DrawnRow(static_cast<double>(g.fm) + 120.0), kRed);
      PlotPixel(screen, x, DrawnRow(static_cast<double>(g.am) + 120.0), kBlue);
      PlotPixel(screen, x, DrawnRow(static_cast<double>(s.sc) / 200.0 + 120.0), kWhite);
      PlotPixel(screen, x, DrawnRow(static_cast<double>(s.sv) / 300.0 + 300.0), kGrey);
      PlotPixel(screen, x, DrawnRow(static_cast<double>(s.sum) / 300.0 + 450.0), kWhite);
    }
    steps += n;
  }
  for (int i = 0; i < 5; ++i) oscillators[i]->Cycle = saved[i];
  return steps;
}

void FlipScreen(SDL_Surface* surface) {
  SDL_Flip(surface);
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) {
  }
}
