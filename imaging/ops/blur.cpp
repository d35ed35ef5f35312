// Gaussian blur, box blur, Sobel edges and unsharp masking.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/ops/blur_internal.h"
#include "imaging/ops/colour_adjust.h"
#include "imaging/ops/filters.h"
#include "imaging/ops/op_support.h"
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

// out[i] = Σ_k w[k] · rows[k][i] (rounded, 65536 = 1) over a run of channel values held as floats.
// Every product and partial sum is an integer below 65536 · 255 + 32768 < 2^24, so single precision
// adds exactly — this is integer arithmetic that vectorises well. Symmetric taps are paired.
// The pairs' loop on its own, with the pointers declared unaliased, so it vectorises.
VIRMEYA_VECTOR_CLONES
void addPair(float* __restrict acc, const float* __restrict a, const float* __restrict b, float wk, int m) {
  for (int i = 0; i < m; ++i) acc[i] += wk * (a[i] + b[i]);
}

VIRMEYA_VECTOR_CLONES
void startSums(float* __restrict acc, const float* __restrict centre, float wc, int m) {
  for (int i = 0; i < m; ++i) acc[i] = wc * centre[i] + 32768.0f;
}

VIRMEYA_VECTOR_CLONES
void store(const float* __restrict acc, std::uint8_t* __restrict out, int m) {
  for (int i = 0; i < m; ++i) out[i] = static_cast<std::uint8_t>(static_cast<std::int32_t>(acc[i]) >> 16);
}

void convolveRun(const float* const* rows, int n, const float* w, int taps, std::uint8_t* out) {
  const int half = taps / 2;
  constexpr int kChunk = 512;
  alignas(64) float acc[kChunk];
  for (int base = 0; base < n; base += kChunk) {
    const int m = std::min(kChunk, n - base);
    startSums(acc, rows[half] + base, w[half], m);
    for (int k = 0; k < half; ++k) addPair(acc, rows[k] + base, rows[taps - 1 - k] + base, w[k], m);
    store(acc, out + base, m);
  }
}

VIRMEYA_VECTOR_CLONES
void toFloats(const std::uint8_t* in, int n, float* out) {
  for (int i = 0; i < n; ++i) out[i] = in[i];
}

}  // namespace

// Horizontal pass per row from an edge-padded copy of the row, then the vertical pass. The
// vertical pass works in place: each band of rows keeps a ring of the original rows its window
// needs (as floats), and the few rows beyond its ends (which the neighbouring bands overwrite) are
// saved before the bands start. Each pass rounds to 8 bits.
void blurPlane(std::uint8_t* data, std::ptrdiff_t stride, int width, int height, int channels,
               const std::vector<int>& weights) {
  const int taps = static_cast<int>(weights.size());
  if (taps <= 1 || width == 0 || height == 0) return;
  const std::vector<float> w(weights.begin(), weights.end());
  const int half = taps / 2;
  const int rowBytes = width * channels;
  parallelRows(height, [&](int y0, int y1) {
    std::vector<float> padded(static_cast<std::size_t>(width + 2 * half) * channels);
    std::vector<const float*> rows(static_cast<std::size_t>(taps));
    for (int k = 0; k < taps; ++k) rows[static_cast<std::size_t>(k)] = padded.data() + k * channels;
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* row = data + y * stride;
      float* p = padded.data();
      for (int i = 0; i < half; ++i) toFloats(row, channels, p + i * channels);
      toFloats(row, rowBytes, p + half * channels);
      for (int i = 0; i < half; ++i) toFloats(row + (width - 1) * channels, channels, p + (half + width + i) * channels);
      convolveRun(rows.data(), rowBytes, w.data(), taps, row);
    }
  });

  const int bands = std::clamp(height / 16, 1, workerCount());
  auto bandStart = [&](int i) { return static_cast<int>(static_cast<long long>(height) * i / bands); };
  // Original rows [b − half, b + half) around every inner band boundary b.
  std::vector<std::vector<std::uint8_t>> halo(static_cast<std::size_t>(bands));
  for (int i = 1; i < bands; ++i) {
    const int b = bandStart(i);
    auto& h = halo[static_cast<std::size_t>(i)];
    h.resize(static_cast<std::size_t>(2 * half) * rowBytes);
    for (int r = b - half; r < b + half; ++r) {
      const int rc = std::clamp(r, 0, height - 1);
      std::memcpy(h.data() + static_cast<std::size_t>(r - (b - half)) * rowBytes, data + rc * stride, static_cast<std::size_t>(rowBytes));
    }
  }
  parallelRows(bands, [&](int i0, int i1) {
    std::vector<float> ring(static_cast<std::size_t>(taps) * rowBytes);
    std::vector<const float*> rows(static_cast<std::size_t>(taps));
    for (int band = i0; band < i1; ++band) {
      const int s = bandStart(band), e = bandStart(band + 1);
      auto slot = [&](int r) { return ring.data() + static_cast<std::size_t>(((r % taps) + taps) % taps) * rowBytes; };
      // The original content of row r (clamped to the picture) into its ring slot.
      auto load = [&](int r) {
        const int rc = std::clamp(r, 0, height - 1);
        const std::uint8_t* from;
        if (rc >= s && rc < e) {
          from = data + rc * stride;  // not yet written by this band
        } else if (rc < s) {
          from = halo[static_cast<std::size_t>(band)].data() + static_cast<std::size_t>(rc - (s - half)) * rowBytes;
        } else {
          from = halo[static_cast<std::size_t>(band + 1)].data() + static_cast<std::size_t>(rc - (e - half)) * rowBytes;
        }
        toFloats(from, rowBytes, slot(r));
      };
      for (int r = s - half; r < s + half; ++r) load(r);
      for (int y = s; y < e; ++y) {
        load(y + half);
        for (int k = 0; k < taps; ++k) rows[static_cast<std::size_t>(k)] = slot(y - half + k);
        convolveRun(rows.data(), rowBytes, w.data(), taps, data + y * stride);
      }
    }
  }, 1);
}

}  // namespace ops

void Blur(Bitmap& bitmap, double radius) {
  ops::blurPlane(bitmap.data(), bitmap.stride(), bitmap.width(), bitmap.height(), 3, gaussianWeights(radius));
}

namespace {

// Horizontal window sums of one padded row: out[i] = Σ_{k=0}^{2r} padded[i + 3k].
VIRMEYA_VECTOR_CLONES
void windowRow(const std::uint8_t* __restrict padded, int n, int r, std::int32_t* __restrict out) {
  for (int i = 0; i < n; ++i) out[i] = padded[i];
  for (int k = 1; k <= 2 * r; ++k) {
    const std::uint8_t* __restrict p = padded + 3 * k;
    for (int i = 0; i < n; ++i) out[i] += p[i];
  }
}

VIRMEYA_VECTOR_CLONES
void addRow(std::int32_t* __restrict total, const std::int32_t* __restrict row, int n) {
  for (int i = 0; i < n; ++i) total[i] += row[i];
}

VIRMEYA_VECTOR_CLONES
void subtractRow(std::int32_t* __restrict total, const std::int32_t* __restrict row, int n) {
  for (int i = 0; i < n; ++i) total[i] -= row[i];
}

// Sums over each pixel's (2r + 1) × (2r + 1) window per channel (pixels beyond the edges repeat the
// edge); `visit(y, windowSums)` receives each finished row. A band keeps a ring of its rows'
// horizontal sums and a running vertical total, so each pixel costs a few vector additions.
template <typename Visit>
void boxSums(const Bitmap& source, int r, Visit visit) {
  const int w = source.width(), h = source.height();
  const int n = 3 * w;
  parallelRows(h, [&](int y0, int y1) {
    const std::size_t rows = static_cast<std::size_t>(2 * r + 1);
    std::vector<std::int32_t> ring(rows * static_cast<std::size_t>(n));
    std::vector<std::int32_t> total(static_cast<std::size_t>(n), 0);
    std::vector<std::uint8_t> padded(static_cast<std::size_t>(w + 2 * r) * 3);
    auto slot = [&](int sy) { return ring.data() + static_cast<std::size_t>(((sy % static_cast<int>(rows)) + static_cast<int>(rows)) % static_cast<int>(rows)) * n; };
    auto horizontal = [&](int sy) {
      const std::uint8_t* p = source.row(std::clamp(sy, 0, h - 1));
      std::uint8_t* d = padded.data();
      for (int k = 0; k < r; ++k) std::memcpy(d + 3 * k, p, 3);
      std::memcpy(d + 3 * r, p, static_cast<std::size_t>(n));
      for (int k = 0; k < r; ++k) std::memcpy(d + 3 * (r + w + k), p + 3 * (w - 1), 3);
      windowRow(d, n, r, slot(sy));
    };
    for (int sy = y0 - r; sy <= y0 + r; ++sy) {
      horizontal(sy);
      addRow(total.data(), slot(sy), n);
    }
    for (int y = y0; y < y1; ++y) {
      visit(y, total.data());
      if (y + 1 == y1) break;
      subtractRow(total.data(), slot(y - r), n);
      horizontal(y + r + 1);
      addRow(total.data(), slot(y + r + 1), n);
    }
  });
}

VIRMEYA_VECTOR_CLONES
void meanOfNine(const std::int32_t* __restrict sums, std::uint8_t* __restrict out, int n) {
  for (int i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(sums[i] / 9);
}

// v + f·(v − sum / area) in 16-bit fixed point: fq = round(f · 65536 / area).
VIRMEYA_VECTOR_CLONES
void sharpenRow(const std::uint8_t* __restrict v, const std::int32_t* __restrict sums, std::uint8_t* __restrict out, int n,
                int area, int fq) {
  for (int i = 0; i < n; ++i) {
    const int delta = (fq * (area * v[i] - sums[i]) + 32768) >> 16;
    out[i] = static_cast<std::uint8_t>(std::clamp(v[i] + delta, 0, 255));
  }
}

}  // namespace

void BoxBlur(Bitmap& bitmap) {
  if (bitmap.empty()) return;
  const Bitmap source = bitmap.copyPixels();
  const int n = 3 * bitmap.width();
  boxSums(source, 1, [&](int y, const std::int32_t* sums) { meanOfNine(sums, bitmap.row(y), n); });
}

void Sharpen(Bitmap& bitmap, int intensity, int neighbourhood) {
  if (bitmap.empty() || intensity == 0) return;
  const int r = std::clamp(neighbourhood / 2, 1, 50);
  const int area = (2 * r + 1) * (2 * r + 1);
  const Bitmap source = bitmap.copyPixels();
  const int n = 3 * bitmap.width();
  // |area·v − sum| ≤ 255·area and fq ≈ f·65536 / area, so the product stays below 2^31 for f ≤ 10.
  const int fq = static_cast<int>(std::lrint(std::clamp(intensity, -100, 100) / 10.0 * 65536.0 / area));
  boxSums(source, r, [&](int y, const std::int32_t* sums) { sharpenRow(source.row(y), sums, bitmap.row(y), n, area, fq); });
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
