// Gaussian blur, box blur, Sobel edges and unsharp masking.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/ops/blur_internal.h"
#include "imaging/ops/colour_adjust.h"
#include "imaging/ops/filters.h"
#include "imaging/parallel.h"

namespace virmeya {

std::vector<int> gaussianWeights(double radius) {
  if (!(radius > 0)) return {65536};
  double e[201];
  double total = 0;
  for (int d = -100; d <= 100; ++d) {
    e[d + 100] = std::exp(-(d * d) / (2.0 * radius * radius));
    total += e[d + 100];
  }
  int w[201];
  for (int i = 0; i < 201; ++i) w[i] = static_cast<int>(std::lrint(e[i] / total * 65536.0));
  int first = 0;
  while (first < 100 && w[first] == 0) ++first;
  std::vector<int> weights(w + first, w + 201 - first);
  // Rounding each weight may leave the sum a few units off 65536; the centre takes the difference
  // so a flat area stays exactly flat.
  int sum = 0;
  for (int v : weights) sum += v;
  weights[weights.size() / 2] += 65536 - sum;
  return weights;
}

namespace ops {

namespace {

// acc[i] = Σ_k w[k] · in[i + k·step] over a contiguous run: the inner loop the compiler vectorises.
// Symmetric taps are paired to halve the multiplications.
__attribute__((target_clones("avx2", "default")))
void convolveRun(const std::uint8_t* in, std::ptrdiff_t step, int n, const int* w, int taps, std::uint8_t* out) {
  const int half = taps / 2;
  constexpr int kChunk = 1024;
  std::int32_t acc[kChunk];
  for (int base = 0; base < n; base += kChunk) {
    const int m = std::min(kChunk, n - base);
    const std::uint8_t* centre = in + base + half * step;
    const int wc = w[half];
    for (int i = 0; i < m; ++i) acc[i] = wc * centre[i] + 32768;
    for (int k = 0; k < half; ++k) {
      const std::uint8_t* a = in + base + k * step;
      const std::uint8_t* b = in + base + (taps - 1 - k) * step;
      const int wk = w[k];
      for (int i = 0; i < m; ++i) acc[i] += wk * (a[i] + b[i]);
    }
    for (int i = 0; i < m; ++i) out[base + i] = static_cast<std::uint8_t>(acc[i] >> 16);
  }
}

}  // namespace

// Horizontal pass per row from an edge-padded copy, then a vertical pass over the rows; each pass
// rounds to 8 bits. Rows are split across the cores in both passes.
void blurPlane(std::uint8_t* data, std::ptrdiff_t stride, int width, int height, int channels,
               const std::vector<int>& weights) {
  const int taps = static_cast<int>(weights.size());
  if (taps <= 1 || width == 0 || height == 0) return;
  const int half = taps / 2;
  const int rowBytes = width * channels;
  parallelRows(height, [&](int y0, int y1) {
    std::vector<std::uint8_t> padded(static_cast<std::size_t>(width + 2 * half) * channels);
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* row = data + y * stride;
      std::uint8_t* p = padded.data();
      for (int i = 0; i < half; ++i) std::memcpy(p + i * channels, row, static_cast<std::size_t>(channels));
      std::memcpy(p + half * channels, row, static_cast<std::size_t>(rowBytes));
      for (int i = 0; i < half; ++i) {
        std::memcpy(p + (half + width + i) * channels, row + (width - 1) * channels, static_cast<std::size_t>(channels));
      }
      convolveRun(p, channels, rowBytes, weights.data(), taps, row);
    }
  });
  // Vertical: each band reads rows above and below it, so the source rows are kept aside first.
  std::vector<std::uint8_t> copy(static_cast<std::size_t>(rowBytes) * height);
  for (int y = 0; y < height; ++y) std::memcpy(copy.data() + static_cast<std::size_t>(y) * rowBytes, data + y * stride, static_cast<std::size_t>(rowBytes));
  parallelRows(height, [&](int y0, int y1) {
    std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(taps));
    std::vector<std::uint8_t> gathered;
    for (int y = y0; y < y1; ++y) {
      const int top = y - half, bottom = y + half;
      if (top >= 0 && bottom < height) {
        convolveRun(copy.data() + static_cast<std::size_t>(top) * rowBytes, rowBytes, rowBytes, weights.data(), taps,
                    data + y * stride);
        continue;
      }
      // Near the top and bottom the edge rows repeat: gather them into a contiguous block.
      gathered.resize(static_cast<std::size_t>(taps) * rowBytes);
      for (int k = 0; k < taps; ++k) {
        const int sy = std::clamp(top + k, 0, height - 1);
        std::memcpy(gathered.data() + static_cast<std::size_t>(k) * rowBytes, copy.data() + static_cast<std::size_t>(sy) * rowBytes,
                    static_cast<std::size_t>(rowBytes));
      }
      convolveRun(gathered.data(), rowBytes, rowBytes, weights.data(), taps, data + y * stride);
    }
  });
}

}  // namespace ops

void Blur(Bitmap& bitmap, double radius) {
  ops::blurPlane(bitmap.data(), bitmap.stride(), bitmap.width(), bitmap.height(), 3, gaussianWeights(radius));
}

namespace {

// Sums of each pixel's (2r + 1)-wide horizontal window per channel (edges repeat), then of
// (2r + 1) such rows; `visit(y, windowSums)` receives each finished row of window sums.
template <typename Visit>
void boxSums(const Bitmap& source, int r, Visit visit) {
  const int w = source.width(), h = source.height();
  const int n = 3 * w;
  parallelRows(h, [&](int y0, int y1) {
    std::vector<std::vector<std::int32_t>> rowSums(static_cast<std::size_t>(2 * r + 1), std::vector<std::int32_t>(static_cast<std::size_t>(n)));
    std::vector<std::int32_t> total(static_cast<std::size_t>(n));
    auto horizontal = [&](int sy, std::vector<std::int32_t>& out) {
      const std::uint8_t* p = source.row(std::clamp(sy, 0, h - 1));
      for (int c = 0; c < 3; ++c) {
        int s = 0;
        for (int k = -r; k <= r; ++k) s += p[3 * std::clamp(k, 0, w - 1) + c];
        for (int x = 0; x < w; ++x) {
          out[static_cast<std::size_t>(3 * x + c)] = s;
          s += p[3 * std::min(x + r + 1, w - 1) + c] - p[3 * std::max(x - r, 0) + c];
        }
      }
    };
    for (int k = -r; k <= r; ++k) horizontal(y0 + k, rowSums[static_cast<std::size_t>(k + r)]);
    std::fill(total.begin(), total.end(), 0);
    for (const auto& rs : rowSums) {
      for (int i = 0; i < n; ++i) total[static_cast<std::size_t>(i)] += rs[static_cast<std::size_t>(i)];
    }
    std::size_t oldest = 0;
    for (int y = y0; y < y1; ++y) {
      visit(y, total.data());
      if (y + 1 == y1) break;
      auto& leaving = rowSums[oldest];
      for (int i = 0; i < n; ++i) total[static_cast<std::size_t>(i)] -= leaving[static_cast<std::size_t>(i)];
      horizontal(y + r + 1, leaving);
      for (int i = 0; i < n; ++i) total[static_cast<std::size_t>(i)] += leaving[static_cast<std::size_t>(i)];
      oldest = (oldest + 1) % rowSums.size();
    }
  });
}

}  // namespace

void BoxBlur(Bitmap& bitmap) {
  if (bitmap.empty()) return;
  const Bitmap source = bitmap.copyPixels();
  const int n = 3 * bitmap.width();
  boxSums(source, 1, [&](int y, const std::int32_t* sums) {
    std::uint8_t* d = bitmap.row(y);
    for (int i = 0; i < n; ++i) d[i] = static_cast<std::uint8_t>(sums[i] / 9);
  });
}

void Sharpen(Bitmap& bitmap, int intensity, int neighbourhood) {
  if (bitmap.empty() || intensity == 0) return;
  const int r = std::max(1, neighbourhood / 2);
  const int area = (2 * r + 1) * (2 * r + 1);
  const Bitmap source = bitmap.copyPixels();
  const int n = 3 * bitmap.width();
  // v + f·(v − sum / area) = v + (f1024 · (area·v − sum)) / (1024 · area), rounded.
  const long long f1024 = std::llround(intensity / 10.0 * 1024);
  const long long denominator = 1024LL * area;
  boxSums(source, r, [&](int y, const std::int32_t* sums) {
    const std::uint8_t* s = source.row(y);
    std::uint8_t* d = bitmap.row(y);
    for (int i = 0; i < n; ++i) {
      const long long num = f1024 * (static_cast<long long>(area) * s[i] - sums[i]);
      const long long delta = num >= 0 ? (num + denominator / 2) / denominator : -((-num + denominator / 2) / denominator);
      d[i] = ClampByte(static_cast<int>(std::clamp<long long>(s[i] + delta, -1, 256)));
    }
  });
}

void Sobel(Bitmap& bitmap) {
  const int w = bitmap.width(), h = bitmap.height();
  if (w == 0 || h == 0) return;
  std::vector<std::uint8_t> grey(static_cast<std::size_t>(w) * h);
  parallelRows(h, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      const std::uint8_t* p = bitmap.row(y);
      std::uint8_t* g = grey.data() + static_cast<std::size_t>(y) * w;
      for (int x = 0; x < w; ++x, p += 3) g[x] = static_cast<std::uint8_t>((21 * p[2] + 71 * p[1] + 8 * p[0]) / 100);
    }
  });
  parallelRows(h, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* d = bitmap.row(y);
      if (y == 0 || y == h - 1 || w < 3) {
        std::memset(d, 0, static_cast<std::size_t>(w) * 3);
        continue;
      }
      const std::uint8_t* a = grey.data() + static_cast<std::size_t>(y - 1) * w;
      const std::uint8_t* b = a + w;
      const std::uint8_t* c = b + w;
      d[0] = d[1] = d[2] = 0;
      for (int x = 1; x < w - 1; ++x) {
        const int gx = (a[x + 1] + 2 * b[x + 1] + c[x + 1]) - (a[x - 1] + 2 * b[x - 1] + c[x - 1]);
        const int gy = (c[x - 1] + 2 * c[x] + c[x + 1]) - (a[x - 1] + 2 * a[x] + a[x + 1]);
        const int v = static_cast<int>(std::sqrt(static_cast<float>(gx * gx + gy * gy)) / 4.0f);
        d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = static_cast<std::uint8_t>(std::min(v, 255));
      }
      d[3 * (w - 1)] = d[3 * (w - 1) + 1] = d[3 * (w - 1) + 2] = 0;
    }
  });
}

}  // namespace virmeya
