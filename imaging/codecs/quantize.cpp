// Colour reduction for palette formats: the exact colours when there are few enough, else median cut
// over a 5-bit-per-channel histogram with colours weighted by how many pixels use them.
#include <algorithm>
#include <array>
#include <unordered_map>

#include "imaging/codecs/codec_internal.h"

namespace virmeya::codecs {

namespace {

constexpr int kBits = 5;
constexpr int kLevels = 1 << kBits;
constexpr int kCells = kLevels * kLevels * kLevels;

inline int cellOf(const std::uint8_t* p) {
  return (p[2] >> (8 - kBits)) << (2 * kBits) | (p[1] >> (8 - kBits)) << kBits | (p[0] >> (8 - kBits));
}

struct Cell {
  std::uint64_t count = 0;
  std::uint64_t sum[3] = {0, 0, 0};  // red, green, blue
};

inline int axisValue(int cell, int axis) { return (cell >> (kBits * (2 - axis))) & (kLevels - 1); }

struct Box {
  std::vector<int> cells;
  std::uint64_t count = 0;
  int longestAxis = 0;
  int range = 0;
};

void measure(Box& box) {
  int lo[3] = {kLevels, kLevels, kLevels}, hi[3] = {-1, -1, -1};
  for (int c : box.cells) {
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], axisValue(c, a));
      hi[a] = std::max(hi[a], axisValue(c, a));
    }
  }
  box.range = -1;
  for (int a = 0; a < 3; ++a) {
    if (hi[a] - lo[a] > box.range) {
      box.range = hi[a] - lo[a];
      box.longestAxis = a;
    }
  }
}

// Exact palette when the picture uses at most maxColours colours; false otherwise.
bool exactPalette(const Bitmap& bitmap, int maxColours, Palette& out) {
  std::unordered_map<std::uint32_t, std::uint8_t> seen;
  seen.reserve(static_cast<std::size_t>(maxColours) * 2);
  const int w = bitmap.width(), h = bitmap.height();
  out.indices.resize(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* p = bitmap.row(y);
    std::uint8_t* idx = out.indices.data() + static_cast<std::size_t>(y) * w;
    for (int x = 0; x < w; ++x, p += 3) {
      const std::uint32_t key = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
      auto it = seen.find(key);
      if (it == seen.end()) {
        if (static_cast<int>(seen.size()) == maxColours) return false;
        it = seen.emplace(key, static_cast<std::uint8_t>(out.colours.size())).first;
        out.colours.push_back(Bgr{p[0], p[1], p[2]});
      }
      idx[x] = it->second;
    }
  }
  return true;
}

}  // namespace

Palette quantizeMedianCut(const Bitmap& bitmap, int maxColours) {
  maxColours = std::clamp(maxColours, 1, 256);
  Palette result;
  if (exactPalette(bitmap, maxColours, result)) return result;
  result = Palette{};

  std::vector<Cell> cells(kCells);
  const int w = bitmap.width(), h = bitmap.height();
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* p = bitmap.row(y);
    for (int x = 0; x < w; ++x, p += 3) {
      Cell& c = cells[cellOf(p)];
      ++c.count;
      c.sum[0] += p[2];
      c.sum[1] += p[1];
      c.sum[2] += p[0];
    }
  }
  std::vector<Box> boxes(1);
  for (int i = 0; i < kCells; ++i) {
    if (cells[i].count > 0) {
      boxes[0].cells.push_back(i);
      boxes[0].count += cells[i].count;
    }
  }
  measure(boxes[0]);

  while (static_cast<int>(boxes.size()) < maxColours) {
    // The box whose split helps most: many pixels spread over a long side.
    int best = -1;
    double bestScore = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      if (boxes[i].cells.size() < 2 || boxes[i].range == 0) continue;
      const double score = static_cast<double>(boxes[i].count) * boxes[i].range;
      if (score > bestScore) {
        bestScore = score;
        best = static_cast<int>(i);
      }
    }
    if (best < 0) break;
    Box& box = boxes[best];
    const int axis = box.longestAxis;
    std::sort(box.cells.begin(), box.cells.end(),
              [axis](int a, int b) { return axisValue(a, axis) < axisValue(b, axis); });
    // Split at the pixel-weighted median, keeping at least one cell on each side.
    std::uint64_t running = 0;
    std::size_t split = 1;
    for (std::size_t i = 0; i + 1 < box.cells.size(); ++i) {
      running += cells[box.cells[i]].count;
      split = i + 1;
      if (running * 2 >= box.count) break;
    }
    Box upper;
    upper.cells.assign(box.cells.begin() + static_cast<std::ptrdiff_t>(split), box.cells.end());
    box.cells.resize(split);
    box.count = 0;
    for (int c : box.cells) box.count += cells[c].count;
    for (int c : upper.cells) upper.count += cells[c].count;
    measure(box);
    measure(upper);
    boxes.push_back(std::move(upper));
  }

  for (const Box& box : boxes) {
    std::uint64_t sum[3] = {0, 0, 0};
    for (int c : box.cells) {
      for (int k = 0; k < 3; ++k) sum[k] += cells[c].sum[k];
    }
    const std::uint64_t n = std::max<std::uint64_t>(box.count, 1);
    result.colours.push_back(rgb(static_cast<std::uint8_t>((sum[0] + n / 2) / n), static_cast<std::uint8_t>((sum[1] + n / 2) / n),
                                 static_cast<std::uint8_t>((sum[2] + n / 2) / n)));
  }

  // Each occupied cell takes the palette colour nearest to its mean colour.
  std::vector<std::uint8_t> cellIndex(kCells, 0);
  for (int i = 0; i < kCells; ++i) {
    const Cell& c = cells[i];
    if (c.count == 0) continue;
    const int r = static_cast<int>(c.sum[0] / c.count), g = static_cast<int>(c.sum[1] / c.count),
              b = static_cast<int>(c.sum[2] / c.count);
    int bestDistance = INT32_MAX;
    for (std::size_t k = 0; k < result.colours.size(); ++k) {
      const Bgr& p = result.colours[k];
      const int dr = r - p.r, dg = g - p.g, db = b - p.b;
      const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
      if (d < bestDistance) {
        bestDistance = d;
        cellIndex[i] = static_cast<std::uint8_t>(k);
      }
    }
  }
  result.indices.resize(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* p = bitmap.row(y);
    std::uint8_t* idx = result.indices.data() + static_cast<std::size_t>(y) * w;
    for (int x = 0; x < w; ++x, p += 3) idx[x] = cellIndex[cellOf(p)];
  }
  return result;
}

}  // namespace virmeya::codecs
