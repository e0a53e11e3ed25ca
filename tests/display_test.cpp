// The drawing pass into an offscreen 32-bit surface the size of the window.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <utility>
#include <vector>

#include "app/stream_callback.h"
#include "display/display.h"
#include "synth/oscillator.h"

namespace {

class Drawing : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateVoiceGraph();
    // One spare row below the window catches writes past row 799.
    surface_ = SDL_CreateRGBSurface(SDL_SWSURFACE, kScreenWidth, kScreenHeight + 1, 32, 0xFF0000, 0x00FF00,
                                    0x0000FF, 0);
    ASSERT_NE(surface_, nullptr);
    ASSERT_EQ(surface_->format->BytesPerPixel, 4);
    Screen = surface_;
  }
  void TearDown() override {
    Screen = nullptr;
    SDL_FreeSurface(surface_);
    for (Oscillator* o : {Carrier, AmMod, FmMod, PmMod, Voice2}) delete o;
  }

  std::uint32_t Pixel(int x, int y) const {
    return static_cast<const std::uint32_t*>(surface_->pixels)[y * surface_->pitch / 4 + x];
  }
  std::vector<std::uint32_t> Picture() const {
    std::vector<std::uint32_t> out;
    for (int y = 0; y <= kScreenHeight; ++y) {
      for (int x = 0; x < kScreenWidth; ++x) out.push_back(Pixel(x, y));
    }
    return out;
  }
  // Rows holding each colour, lowest and highest, within [top, bottom).
  std::pair<int, int> RowsOf(std::uint32_t colour, int top, int bottom) const {
    int low = bottom, high = -1;
    for (int y = top; y < bottom; ++y) {
      for (int x = 0; x < kScreenWidth; ++x) {
        if (Pixel(x, y) == colour) {
          low = std::min(low, y);
          high = std::max(high, y);
        }
      }
    }
    return {low, high};
  }
  void Redraw() {
    ClearScreen(surface_);
    DrawPass();
  }

  SDL_Surface* surface_ = nullptr;
};

TEST_F(Drawing, BandsAtStartValues) {
  Redraw();
  EXPECT_EQ(RowsOf(kWhite, 0, 250), std::make_pair(70, 170));   // carrier
  EXPECT_EQ(RowsOf(kWhite, 350, 801), std::make_pair(391, 508));  // sum
  EXPECT_EQ(RowsOf(kGrey, 0, 801), std::make_pair(266, 333));   // second voice, ±33 about 300
  // The modulators run at 0 Hz: every point of theirs is on row 120, where
  // the blue of the amplitude modulator is drawn over the two red ones.
  EXPECT_EQ(RowsOf(kBlue, 0, 801), std::make_pair(120, 120));
  EXPECT_EQ(RowsOf(kRed, 0, 801).second, -1);
  // Row 0 and the spare row are never drawn.
  EXPECT_EQ(RowsOf(kWhite, 0, 1).second, -1);
  EXPECT_EQ(RowsOf(0, 800, 801), std::make_pair(800, 800));
}

TEST_F(Drawing, ModulatorsShowInRed) {
  PmMod->Freq = 2.0f;
  PmMod->Ampl = 3.0f;
  Redraw();
  const auto [low, high] = RowsOf(kRed, 0, 801);
  EXPECT_EQ(low, 117);
  EXPECT_EQ(high, 123);
}

// Every redraw starts from Cycle 0 and puts the cycles back, so the picture
// stands still and the sound goes on as if nothing had been drawn.
TEST_F(Drawing, RedrawsAreIdenticalAndLeaveTheSoundAlone) {
  std::vector<std::int16_t> plain(2 * 16384 * 3);
  for (int b = 0; b < 3; ++b) AudioPass(&plain[2 * 16384 * b], 65536);

  TearDown();
  SetUp();
  std::vector<std::int16_t> drawn(plain.size());
  std::vector<std::uint32_t> first;
  for (int b = 0; b < 3; ++b) {
    StreamCallback(nullptr, &drawn[2 * 16384 * b], 65536, nullptr);
    if (b == 0) first = Picture();
    EXPECT_EQ(Picture(), first) << "block " << b;
  }
  EXPECT_EQ(drawn, plain);
}

TEST_F(Drawing, StepsFollowTheSinglePrecisionColumn) {
  // x grows by 0.01 rounded to a float each step; the rounding makes the
  // pass 31 steps shorter than 640 / 0.01.
  EXPECT_EQ(DrawPass(), 63969);
}

TEST_F(Drawing, PlotPixelGuardsRows) {
  std::memset(surface_->pixels, 0, static_cast<std::size_t>(surface_->pitch) * static_cast<std::size_t>(surface_->h));
  for (int y : {-1, 0, 800, std::numeric_limits<int>::min()}) PlotPixel(surface_, 5, y, kWhite);
  EXPECT_EQ(RowsOf(kWhite, 0, 801).second, -1);
  PlotPixel(surface_, 5, 1, kWhite);
  PlotPixel(surface_, 639, 799, kWhite);
  EXPECT_EQ(Pixel(5, 1), kWhite);
  EXPECT_EQ(Pixel(639, 799), kWhite);
}

// Rows no integer can hold, NaN included, are skipped without undefined
// behaviour; the rest of the picture is drawn.
TEST_F(Drawing, UnrepresentableRowsAreNotDrawn) {
  for (float ampl : {std::numeric_limits<float>::quiet_NaN(), 1e30f, -1e30f}) {
    AmMod->Ampl = ampl;
    AmMod->Freq = 1.0f;
    Carrier->Ampl = ampl;
    Redraw();
    EXPECT_EQ(RowsOf(kGrey, 0, 801), std::make_pair(266, 333)) << ampl;
    EXPECT_EQ(Pixel(0, 800), 0u);
  }
}

// A point is drawn from row 1 to row 799, its row truncated toward zero. The
// amplitude modulator at 0 Hz sits at a quarter or three quarters of a cycle,
// where its output is exactly plus or minus its amplitude, so its row is
// amplitude + 120 or 120 - amplitude for every point.
TEST_F(Drawing, PointsReachRowsOneTo799AndNoFurther) {
  struct Case {
    float phase, ampl;
    int row;  // -1: not drawn
  };
  for (const Case& c : {Case{0.25f, 679.0f, 799}, Case{0.25f, 679.99f, 799}, Case{0.25f, 680.0f, -1},
                        Case{0.75f, 119.0f, 1}, Case{0.75f, 118.5f, 1}, Case{0.75f, 119.5f, -1},
                        Case{0.75f, 1e9f, -1}}) {
    AmMod->Phase = c.phase;
    AmMod->Ampl = c.ampl;
    Redraw();
    const auto expected = c.row < 0 ? std::make_pair(801, -1) : std::make_pair(c.row, c.row);
    EXPECT_EQ(RowsOf(kBlue, 0, 801), expected) << "phase " << c.phase << " ampl " << c.ampl;
  }
}

TEST_F(Drawing, ClearBlackensEveryRow) {
  std::memset(surface_->pixels, 0xAB, static_cast<std::size_t>(surface_->pitch) * static_cast<std::size_t>(surface_->h));
  ClearScreen(surface_);
  const auto picture = Picture();
  EXPECT_TRUE(std::all_of(picture.begin(), picture.end(), [](std::uint32_t p) { return p == 0; }));
}

}  // namespace
