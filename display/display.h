// The waveform window: the surface operations and the drawing pass that the
// block callback runs after the audio pass, all on the stream thread.
//
// The surface must be four bytes a pixel: pixels are written as 0x00RRGGBB
// words, not through the surface's format.
#pragma once

#include <SDL.h>

#include <cstdint>

// The window's surface, 640 × 800; null where no window could be had.
extern SDL_Surface* Screen;

inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 800;

inline constexpr std::uint32_t kRed = 0xFF0000;
inline constexpr std::uint32_t kBlue = 0x0000FF;
inline constexpr std::uint32_t kWhite = 0xFFFFFF;
inline constexpr std::uint32_t kGrey = 0x808080;

// Blackens the surface, under its lock; skipped when the lock fails.
void ClearScreen(SDL_Surface* surface);
// Writes one pixel when 0 < y < 800; the column is not checked. Inline, as
// the drawing pass writes some 380 thousand pixels a block through it.
inline void PlotPixel(SDL_Surface* surface, int x, int y, std::uint32_t colour) {
  if (y > 0 && y < kScreenHeight) {
    static_cast<std::uint32_t*>(surface->pixels)[(y * surface->pitch) / 4 + x] = colour;
  }
}
// Draws the six traces into Screen, from Cycle 0, restoring every Cycle after.
// Returns the number of graph steps taken.
int DrawPass();
// Shows the surface, then answers the window's events so the desktop sees the
// window respond; the events are not otherwise used.
void FlipScreen(SDL_Surface* surface);
