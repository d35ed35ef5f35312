// Colour reduction to a palette of n colours by median cut, without dithering.
#include <algorithm>
#include <array>
#include <vector>

#include "imaging/ops/colour_adjust.h"
#include "imaging/parallel.h"

namespace virmeya {

namespace {

constexpr int kBits = 5;  // histogram cells of 32 levels per channel: 32768 cells
constexpr int kSide = 1 << kBits;
constexpr int kShift = 8 - kBits;

inline int cellOf(const std::uint8_t* p) noexcept {
  return ((p[2] >> kShift) << (2 * kBits)) | ((p[1] >> kShift) << kBits) | (p[0] >> kShift);
}

struct Cell {
  long long count = 0;
  long long sum[3] = {0, 0, 0};  // red, green, blue
};

struct Box {
  std::vector<int> cells;  // indices of occupied cells
  long long count = 0;
  int lo[3] = {kSide, kSide, kSide}, hi[3] = {-1, -1, -1};
};

int axisValue(int cell, int axis) { return (cell >> (kBits * (2 - axis))) & (kSide - 1); }

void measure(Box& box, const std::vector<Cell>& cells) {
  box.count = 0;
  for (int a = 0; a < 3; ++a) {
    box.lo[a] = kSide;
    box.hi[a] = -1;
  }
  for (int c : box.cells) {
    box.count += cells[static_cast<std::size_t>(c)].count;
    for (int a = 0; a < 3; ++a) {
      box.lo[a] = std::min(box.lo[a], axisValue(c, a));
      box.hi[a] = std::max(box.hi[a], axisValue(c, a));
    }
  }
}

}  // namespace

// Median cut: the occupied cells of a 5-bit-per-channel histogram start as one box; the box with the
// largest (population × longest side) is split across its longest side at the median pixel, until
// there are n boxes or none can be split. Each box's colour is the mean of its pixels. Every cell
// then maps to its nearest palette colour, and every pixel takes its cell's colour — no dithering,
// so flat areas stay flat.
void ConvertTo(Bitmap& bitmap, int colors) {
  if (bitmap.empty()) return;
  const int n = std::clamp(colors, 2, 256);
  const int w = bitmap.width();
  std::vector<Cell> cells(static_cast<std::size_t>(kSide * kSide * kSide));
  for (int y = 0; y < bitmap.height(); ++y) {
    const std::uint8_t* p = bitmap.row(y);
    for (int x = 0; x < w; ++x, p += 3) {
      Cell& c = cells[static_cast<std::size_t>(cellOf(p))];
      ++c.count;
      c.sum[0] += p[2];
      c.sum[1] += p[1];
      c.sum[2] += p[0];
    }
  }
  std::vector<Box> boxes(1);
  for (int i = 0; i < static_cast<int>(cells.size()); ++i) {
    if (cells[static_cast<std::size_t>(i)].count) boxes[0].cells.push_back(i);
  }
  measure(boxes[0], cells);
  while (static_cast<int>(boxes.size()) < n) {
    int best = -1;
    long long bestScore = 0;
    for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
      const Box& b = boxes[static_cast<std::size_t>(i)];
      if (b.cells.size() < 2) continue;
      const int side = std::max({b.hi[0] - b.lo[0], b.hi[1] - b.lo[1], b.hi[2] - b.lo[2]}) + 1;
      const long long score = b.count * side;
      if (score > bestScore) {
        bestScore = score;
        best = i;
      }
    }
    if (best < 0) break;
    Box& b = boxes[static_cast<std::size_t>(best)];
    int axis = 0;
    for (int a = 1; a < 3; ++a) {
      if (b.hi[a] - b.lo[a] > b.hi[axis] - b.lo[axis]) axis = a;
    }
    std::sort(b.cells.begin(), b.cells.end(), [axis](int l, int r) { return axisValue(l, axis) < axisValue(r, axis); });
    // Split at the median pixel, keeping at least one cell on each side.
    long long running = 0;
    std::size_t cut = 1;
    for (std::size_t i = 0; i + 1 < b.cells.size(); ++i) {
      running += cells[static_cast<std::size_t>(b.cells[i])].count;
      cut = i + 1;
      if (2 * running >= b.count) break;
    }
    Box upper;
    upper.cells.assign(b.cells.begin() + static_cast<std::ptrdiff_t>(cut), b.cells.end());
    b.cells.resize(cut);
    measure(b, cells);
    measure(upper, cells);
    boxes.push_back(std::move(upper));
  }
  std::vector<Bgr> palette;
  for (const Box& b : boxes) {
    long long s[3] = {0, 0, 0};
    for (int c : b.cells) {
      for (int a = 0; a < 3; ++a) s[a] += cells[static_cast<std::size_t>(c)].sum[a];
    }
    auto mean = [&](int a) { return static_cast<std::uint8_t>((s[a] + b.count / 2) / b.count); };
    palette.push_back(rgb(mean(0), mean(1), mean(2)));
  }
  // Nearest palette colour of each occupied cell, measured from the cell's own mean colour.
  std::vector<std::uint16_t> map(cells.size(), 0);
  for (const Box& b : boxes) {
    for (int c : b.cells) {
      const Cell& cell = cells[static_cast<std::size_t>(c)];
      const long long r = cell.sum[0] / cell.count, g = cell.sum[1] / cell.count, bl = cell.sum[2] / cell.count;
      long long bestDistance = -1;
      for (std::size_t i = 0; i < palette.size(); ++i) {
        const long long dr = r - palette[i].r, dg = g - palette[i].g, db = bl - palette[i].b;
        const long long dist = 3 * dr * dr + 4 * dg * dg + 2 * db * db;  // roughly perceptual weights
        if (bestDistance < 0 || dist < bestDistance) {
          bestDistance = dist;
          map[static_cast<std::size_t>(c)] = static_cast<std::uint16_t>(i);
        }
      }
    }
  }
  parallelRows(bitmap.height(), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = bitmap.row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        const Bgr c = palette[map[static_cast<std::size_t>(cellOf(p))]];
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
      }
    }
  });
}

}  // namespace virmeya
