// Small arithmetic helpers shared by every pixel routine: clamping and the program's rounding rules.
#pragma once

#include <cmath>
#include <cstdint>

namespace virmeya {

// Clamps any integer to a channel value 0..255.
constexpr std::uint8_t ClampByte(int v) noexcept {
  return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// round(x): nearest integer, halves to the even neighbour (banker's rounding), as the default
// floating-point rounding mode does.
inline long long roundEven(double x) noexcept { return std::llrint(x); }
inline int roundEvenInt(double x) noexcept { return static_cast<int>(std::lrint(x)); }

// trunc(x): drops the fraction, toward zero.
inline long long truncToInt(double x) noexcept { return static_cast<long long>(x); }

// Integer division truncating toward zero (C++ '/' already does; named so the intent is visible).
constexpr int divTrunc(int a, int b) noexcept { return a / b; }

// floor(a / 256) for negative a too: an arithmetic shift floors.
constexpr int floorDiv256(int a) noexcept { return a >> 8; }

// Clamp of a rounded real value to a channel.
inline std::uint8_t clampRound(double x) noexcept { return ClampByte(static_cast<int>(std::lrint(x))); }

struct Bgr {
  std::uint8_t b = 0, g = 0, r = 0;
  friend constexpr bool operator==(Bgr, Bgr) = default;
};

constexpr Bgr rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) noexcept { return Bgr{b, g, r}; }
constexpr Bgr kWhite{255, 255, 255};
constexpr Bgr kBlack{0, 0, 0};

}  // namespace virmeya
