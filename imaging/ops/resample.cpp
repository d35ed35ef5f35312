// Resampling: nearest-pixel without filter, and separable filtered resampling with seven kernels.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/errors.h"
#include "imaging/ops/geometry.h"
#include "imaging/ops/op_support.h"
#include "imaging/parallel.h"

namespace virmeya {

namespace {

void checkTargetSize(int width, int height) {
  if (width <= 0 || height <= 0) {
    throw ImagingError(ImagingErrorKind::InvalidArgument,
                       "нельзя изменить размер до " + std::to_string(width) + " × " +
                           std::to_string(height) + ": ширина и высота должны быть больше нуля");
  }
  checkPictureSize(width, height);
}

// Source index of each target index: ⌊i · sourceSize / targetSize⌋.
std::vector<int> nearestIndices(int target, int source) {
  std::vector<int> map(static_cast<std::size_t>(target));
  for (int i = 0; i < target; ++i) {
    map[static_cast<std::size_t>(i)] = static_cast<int>(static_cast<long long>(i) * source / target);
  }
  return map;
}

// Reconstruction kernels, each with its support (radius).
struct Kernel {
  double support;
  double (*weight)(double x);
};

double triangle(double x) {
  x = std::fabs(x);
  return x < 1.0 ? 1.0 - x : 0.0;
}
double catmullRom(double x) {  // the cubic through the samples, a = −0.5: the sharpest of the family
  x = std::fabs(x);
  if (x < 1.0) return (1.5 * x - 2.5) * x * x + 1.0;
  if (x < 2.0) return ((-0.5 * x + 2.5) * x - 4.0) * x + 2.0;
  return 0.0;
}
double mitchell(double x) {  // Mitchell–Netravali with B = C = 1/3
  constexpr double B = 1.0 / 3.0, C = 1.0 / 3.0;
  x = std::fabs(x);
  if (x < 1.0) {
    return ((12 - 9 * B - 6 * C) * x * x * x + (-18 + 12 * B + 6 * C) * x * x + (6 - 2 * B)) / 6.0;
  }
  if (x < 2.0) {
    return ((-B - 6 * C) * x * x * x + (6 * B + 30 * C) * x * x + (-12 * B - 48 * C) * x + (8 * B + 24 * C)) / 6.0;
  }
  return 0.0;
}
double hermite(double x) {
  x = std::fabs(x);
  return x < 1.0 ? (2.0 * x - 3.0) * x * x + 1.0 : 0.0;
}
double bell(double x) {  // quadratic B-spline
  x = std::fabs(x);
  if (x < 0.5) return 0.75 - x * x;
  if (x < 1.5) return 0.5 * (x - 1.5) * (x - 1.5);
  return 0.0;
}
double bspline(double x) {  // cubic B-spline: smooth, slightly blurring
  x = std::fabs(x);
  if (x < 1.0) return (0.5 * x - 1.0) * x * x + 2.0 / 3.0;
  if (x < 2.0) {
    const double t = 2.0 - x;
    return t * t * t / 6.0;
  }
  return 0.0;
}

Kernel kernelOf(ResampleFilter filter) {
  switch (filter) {
    case ResampleFilter::Bicubic: return {2.0, catmullRom};
    case ResampleFilter::Mitchell: return {2.0, mitchell};
    case ResampleFilter::Hermite: return {1.0, hermite};
    case ResampleFilter::Bell: return {1.5, bell};
    case ResampleFilter::BSpline: return {2.0, bspline};
    case ResampleFilter::Bilinear:
    case ResampleFilter::None: break;
  }
  return {1.0, triangle};
}

constexpr int kWeightBits = 14;

// The taps of one axis: for each target index, a contiguous run of source indices and their
// fixed-point weights summing to exactly 1 << kWeightBits.
struct AxisTaps {
  std::vector<int> first;
  std::vector<int> count;
  int stride = 0;  // weights per target index in `weights`
  std::vector<std::int16_t> weights;
};

// Target pixel i covers the source interval [i·scale, (i + 1)·scale); its centre is sampled with
// the kernel stretched by the reduction factor, so a reduction averages every source pixel it
// covers. Taps beyond the picture are folded onto the edge pixel.
AxisTaps axisTaps(int target, int source, const Kernel& kernel) {
  const double scale = static_cast<double>(source) / target;
  const double stretch = std::max(1.0, scale);
  const double support = kernel.support * stretch;
  AxisTaps taps;
  taps.stride = std::min(source, static_cast<int>(std::ceil(support)) * 2 + 2);
  taps.first.resize(static_cast<std::size_t>(target));
  taps.count.resize(static_cast<std::size_t>(target));
  taps.weights.assign(static_cast<std::size_t>(target) * taps.stride, 0);
  std::vector<double> w(static_cast<std::size_t>(source));
  for (int i = 0; i < target; ++i) {
    const double centre = (i + 0.5) * scale;
    const int lo = static_cast<int>(std::floor(centre - support));
    const int hi = static_cast<int>(std::ceil(centre + support));
    const int first = std::clamp(lo, 0, source - 1);
    const int last = std::clamp(hi, 0, source - 1);
    std::fill(w.begin() + first, w.begin() + last + 1, 0.0);
    double total = 0.0;
    for (int j = lo; j <= hi; ++j) {
      const double v = kernel.weight((j + 0.5 - centre) / stretch);
      if (v == 0.0) continue;
      w[static_cast<std::size_t>(std::clamp(j, 0, source - 1))] += v;
      total += v;
    }
    int runFirst = first, runLast = last;
    while (runFirst < runLast && w[static_cast<std::size_t>(runFirst)] == 0.0) ++runFirst;
    while (runLast > runFirst && w[static_cast<std::size_t>(runLast)] == 0.0) --runLast;
    if (runLast - runFirst + 1 > taps.stride) runLast = runFirst + taps.stride - 1;
    if (total == 0.0) {  // cannot happen with these kernels; keep the nearest pixel then
      total = 1.0;
      w[static_cast<std::size_t>(runFirst)] = 1.0;
    }
    std::int16_t* out = taps.weights.data() + static_cast<std::size_t>(i) * taps.stride;
    int sum = 0, biggest = 0;
    for (int j = runFirst; j <= runLast; ++j) {
      const int k = j - runFirst;
      out[k] = static_cast<std::int16_t>(std::lrint(w[static_cast<std::size_t>(j)] / total * (1 << kWeightBits)));
      sum += out[k];
      if (std::abs(out[k]) > std::abs(out[biggest])) biggest = k;
    }
    out[biggest] = static_cast<std::int16_t>(out[biggest] + ((1 << kWeightBits) - sum));
    taps.first[static_cast<std::size_t>(i)] = runFirst;
    taps.count[static_cast<std::size_t>(i)] = runLast - runFirst + 1;
  }
  return taps;
}

// The vertical taps' loops on their own, pointers declared unaliased, so they vectorise.
VIRMEYA_VECTOR_CLONES
void firstTap(std::int32_t* __restrict a, const std::uint8_t* __restrict s, int w, int n) {
  for (int i = 0; i < n; ++i) a[i] = w * s[i];
}
VIRMEYA_VECTOR_CLONES
void nextTap(std::int32_t* __restrict a, const std::uint8_t* __restrict s, int w, int n) {
  for (int i = 0; i < n; ++i) a[i] += w * s[i];
}
VIRMEYA_VECTOR_CLONES
void narrow(const std::int32_t* __restrict a, std::int16_t* __restrict m, int n) {
  for (int i = 0; i < n; ++i) m[i] = static_cast<std::int16_t>((a[i] + 128) >> 8);
}

// One plane (C interleaved channels per pixel): the vertical taps combine source rows into a row of
// 16-bit values (value · 64), the horizontal taps combine those into the target row.
template <int C>
void resamplePlane(const std::uint8_t* src, std::ptrdiff_t srcStride, int sw, std::uint8_t* dst,
                   std::ptrdiff_t dstStride, int dw, int dh, const AxisTaps& tx, const AxisTaps& ty) {
  parallelRows(dh, [&](int y0, int y1) {
    const int n = sw * C;
    std::vector<std::int32_t> acc(static_cast<std::size_t>(n));
    std::vector<std::int16_t> mid(static_cast<std::size_t>(n));
    for (int y = y0; y < y1; ++y) {
      const int first = ty.first[static_cast<std::size_t>(y)];
      const int count = ty.count[static_cast<std::size_t>(y)];
      const std::int16_t* wy = ty.weights.data() + static_cast<std::size_t>(y) * ty.stride;
      std::int32_t* a = acc.data();
      firstTap(a, src + first * srcStride, wy[0], n);
      for (int k = 1; k < count; ++k) nextTap(a, src + (first + k) * srcStride, wy[k], n);
      std::int16_t* m = mid.data();
      narrow(a, m, n);
      std::uint8_t* d = dst + y * dstStride;
      for (int x = 0; x < dw; ++x) {
        const int fx = tx.first[static_cast<std::size_t>(x)];
        const int cx = tx.count[static_cast<std::size_t>(x)];
        const std::int16_t* wx = tx.weights.data() + static_cast<std::size_t>(x) * tx.stride;
        const std::int16_t* mm = m + fx * C;
        int sum[C] = {};
        for (int k = 0; k < cx; ++k) {
          for (int c = 0; c < C; ++c) sum[c] += wx[k] * mm[k * C + c];
        }
        for (int c = 0; c < C; ++c) d[x * C + c] = ClampByte((sum[c] + (1 << 19)) >> 20);
      }
    }
  });
}

}  // namespace

Bitmap ResampleNoFilter(const Bitmap& source, int width, int height) {
  checkTargetSize(width, height);
  if (source.empty()) throw ImagingError(ImagingErrorKind::InvalidArgument, "пустое изображение");
  Bitmap out = Bitmap::uninitialized(width, height);
  const std::vector<int> xs = nearestIndices(width, source.width());
  const std::vector<int> ys = nearestIndices(height, source.height());
  parallelRows(height, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      const std::uint8_t* s = source.row(ys[static_cast<std::size_t>(y)]);
      std::uint8_t* d = out.row(y);
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = s + 3 * xs[static_cast<std::size_t>(x)];
        d[3 * x] = p[0];
        d[3 * x + 1] = p[1];
        d[3 * x + 2] = p[2];
      }
    }
  });
  if (source.hasAlpha()) {
    out.addAlpha();
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* s = source.alphaRow(ys[static_cast<std::size_t>(y)]);
      std::uint8_t* d = out.alphaRow(y);
      for (int x = 0; x < width; ++x) d[x] = s[xs[static_cast<std::size_t>(x)]];
    }
  }
  return out;
}

Bitmap Resample(const Bitmap& source, int width, int height, ResampleFilter filter) {
  checkTargetSize(width, height);
  if (source.empty()) throw ImagingError(ImagingErrorKind::InvalidArgument, "пустое изображение");
  if (filter == ResampleFilter::None) return ResampleNoFilter(source, width, height);
  if (width == source.width() && height == source.height()) return source.clone();
  const Kernel kernel = kernelOf(filter);
  const AxisTaps tx = axisTaps(width, source.width(), kernel);
  const AxisTaps ty = axisTaps(height, source.height(), kernel);
  Bitmap out = Bitmap::uninitialized(width, height);
  resamplePlane<3>(source.data(), source.stride(), source.width(), out.data(), out.stride(), width, height, tx, ty);
  if (source.hasAlpha()) {
    out.addAlpha();
    resamplePlane<1>(source.alphaData(), source.width(), source.width(), out.alphaData(), width, width, height,
                     tx, ty);
  }
  return out;
}

}  // namespace virmeya
