// The five automatic corrections. All measure the lightness (luma 0.30 R + 0.59 G + 0.11 B in
// 8-bit fixed point) and change the three channels together, so hues are kept.
#include "imaging/ops/auto_correct.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <vector>

#include "imaging/ops/colour_adjust.h"
#include "imaging/ops/op_support.h"
#include "imaging/parallel.h"

namespace virmeya {

namespace {

inline int luma(const std::uint8_t* p) noexcept { return (77 * p[2] + 151 * p[1] + 28 * p[0]) >> 8; }

using Histogram = std::array<long long, 256>;

Histogram lumaHistogram(const Bitmap& bitmap) {
  Histogram total{};
  std::mutex guard;
  const int w = bitmap.width();
  parallelRows(bitmap.height(), [&](int y0, int y1) {
    Histogram h{};
    for (int y = y0; y < y1; ++y) {
      const std::uint8_t* p = bitmap.row(y);
      for (int x = 0; x < w; ++x, p += 3) ++h[static_cast<std::size_t>(luma(p))];
    }
    const std::lock_guard<std::mutex> lock(guard);
    for (int i = 0; i < 256; ++i) total[static_cast<std::size_t>(i)] += h[static_cast<std::size_t>(i)];
  });
  return total;
}

// The lightness below which `fraction` of the pixels lie, and the one above which they lie.
std::pair<int, int> percentiles(const Histogram& h, double fraction) {
  long long n = 0;
  for (long long c : h) n += c;
  const long long limit = static_cast<long long>(n * fraction);
  int lo = 0, hi = 255;
  long long run = 0;
  while (lo < 255 && run + h[static_cast<std::size_t>(lo)] <= limit) run += h[static_cast<std::size_t>(lo++)];
  run = 0;
  while (hi > 0 && run + h[static_cast<std::size_t>(hi)] <= limit) run += h[static_cast<std::size_t>(hi--)];
  return {lo, std::max(lo, hi)};
}

int median(const Histogram& h) {
  long long n = 0;
  for (long long c : h) n += c;
  long long run = 0;
  for (int v = 0; v < 256; ++v) {
    run += h[static_cast<std::size_t>(v)];
    if (2 * run >= n) return v;
  }
  return 255;
}

// Linear levels: lo → 0, hi → 255. A range narrower than 32 levels (a nearly flat picture) is
// stretched at most eightfold, about its middle, so noise is not blown up.
std::array<double, 256> levelsCurve(int lo, int hi) {
  std::array<double, 256> curve{};
  int range = hi - lo;
  double gain = 255.0 / std::max(range, 1);
  if (gain > 8.0) gain = 8.0;
  const double centre = (lo + hi) / 2.0;
  for (int v = 0; v < 256; ++v) {
    curve[static_cast<std::size_t>(v)] = range >= 32 ? (v - lo) * gain : 127.5 + (v - centre) * gain;
  }
  return curve;
}

ops::Lut toLut(const std::array<double, 256>& curve) {
  ops::Lut lut;
  for (int v = 0; v < 256; ++v) lut[static_cast<std::size_t>(v)] = clampRound(curve[static_cast<std::size_t>(v)]);
  return lut;
}


// Applies a curve to the lightness only: each pixel's lightness L becomes curve(L), and its colour
// differences from L are scaled by curve(L) / L (limited to 0.5 … 2), so the colours keep their hue
// and roughly their saturation while the tones move — a stretch of a dull picture does not burn
// its dominant colour out, and lifted shadows do not turn grey.
void applyLightnessCurve(Bitmap& bitmap, const std::array<double, 256>& curve) {
  int target[256], scale[256];
  for (int l = 0; l < 256; ++l) {
    const double c = std::clamp(curve[static_cast<std::size_t>(l)], 0.0, 255.0);
    target[l] = static_cast<int>(std::lrint(c));
    scale[l] = static_cast<int>(std::lrint(256.0 * std::clamp(l == 0 ? 1.0 : c / l, 0.5, 2.0)));
  }
  const int w = bitmap.width();
  parallelRows(bitmap.height(), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = bitmap.row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        const int l = luma(p);
        const int t = target[l], k = scale[l];
        p[0] = ClampByte(t + (((p[0] - l) * k) >> 8));
        p[1] = ClampByte(t + (((p[1] - l) * k) >> 8));
        p[2] = ClampByte(t + (((p[2] - l) * k) >> 8));
      }
    }
  });
}

}  // namespace

// Levelling: the darkest and lightest 0.5 % of the lightness may clip; the range between is
// stretched linearly (gain and offset) over 0..255 and applied to the lightness. A well-exposed
// photo already spans the range and is changed by a few levels at most.
void AutoLevels(Bitmap& bitmap) {
  if (bitmap.empty()) return;
  const auto [lo, hi] = percentiles(lumaHistogram(bitmap), 0.005);
  applyLightnessCurve(bitmap, levelsCurve(lo, hi));
}

// White balance by a neutral-weighted grey world. The scene's grey is estimated from the mean
// colour of a sample of the pixels (every fourth row and column), each weighted by how neutral it
// already looks, 1 / (1 + (chroma / 24)²) with chroma = max − min of the channels after the gains
// found so far, and ignoring shadows and highlights (lightness outside 24 … 232, or a channel at its
// limit) which carry little colour information. Three rounds refine the gains: a cast makes every
// neutral surface equally coloured, so after the first round they become the most neutral pixels
// and dominate, while a vivid subject (a red rose, a blue sky) weighs little and is not "corrected"
// away. The gains are limited to 0.6 … 1.6 and applied by table; balanced pictures keep gains of 1.
void AutoWhiteBalance(Bitmap& bitmap) {
  if (bitmap.empty()) return;
  struct Sample {
    float b, g, r;
  };
  std::vector<Sample> samples;
  const int step = (bitmap.width() > 64 && bitmap.height() > 64) ? 4 : 1;
  for (int y = 0; y < bitmap.height(); y += step) {
    const std::uint8_t* row = bitmap.row(y);
    for (int x = 0; x < bitmap.width(); x += step) {
      const std::uint8_t* p = row + 3 * x;
      const int l = luma(p);
      if (l < 24 || l > 232 || std::max({p[0], p[1], p[2]}) >= 250 || std::min({p[0], p[1], p[2]}) <= 3) continue;
      samples.push_back({static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])});
    }
  }
  if (samples.size() < 16) return;  // no mid-tones to judge by
  double gb = 1.0, gg = 1.0, gr = 1.0;
  for (int round = 0; round < 3; ++round) {
    double sb = 0, sg = 0, sr = 0, sw = 0;
    for (const Sample& s : samples) {
      const double b = s.b * gb, g = s.g * gg, r = s.r * gr;
      const double chroma = std::max({b, g, r}) - std::min({b, g, r});
      const double weight = 1.0 / (1.0 + (chroma / 24.0) * (chroma / 24.0));
      sb += weight * b;
      sg += weight * g;
      sr += weight * r;
      sw += weight;
    }
    const double grey = (sb + sg + sr) / 3.0;
    gb = std::clamp(gb * grey / std::max(sb, 1e-9), 0.6, 1.6);
    gg = std::clamp(gg * grey / std::max(sg, 1e-9), 0.6, 1.6);
    gr = std::clamp(gr * grey / std::max(sr, 1e-9), 0.6, 1.6);
  }
  auto gainLut = [](double g) {
    ops::Lut lut;
    for (int v = 0; v < 256; ++v) lut[static_cast<std::size_t>(v)] = clampRound(v * g);
    return lut;
  };
  ops::applyLuts(bitmap, gainLut(gb), gainLut(gg), gainLut(gr));
}

// Equalisation: the lightness histogram, each bin clipped at three times the average bin height
// and the clipped excess spread evenly over all bins (contrast limiting, so a large flat sky does
// not tear the rest apart), becomes the cumulative curve; the curve maps each channel. A photo
// whose lightness is already spread evenly gets a curve close to the diagonal.
void Equalize(Bitmap& bitmap) {
  if (bitmap.empty()) return;
  Histogram h = lumaHistogram(bitmap);
  long long n = 0;
  for (long long c : h) n += c;
  const long long clipAt = std::max<long long>(1, 3 * n / 256);
  long long excess = 0;
  for (long long& c : h) {
    if (c > clipAt) {
      excess += c - clipAt;
      c = clipAt;
    }
  }
  std::array<double, 256> curve{};
  double cumulative = 0;
  const double share = static_cast<double>(excess) / 256.0;
  for (int v = 0; v < 256; ++v) {
    const double before = cumulative;
    cumulative += static_cast<double>(h[static_cast<std::size_t>(v)]) + share;
    // The bin's middle maps to its cumulative share, so a uniform histogram maps to the diagonal.
    curve[static_cast<std::size_t>(v)] = (before + cumulative) / 2.0 / static_cast<double>(n) * 255.0;
  }
  const double lo = curve[0], hi = curve[255];
  for (double& c : curve) c = (c - lo) / std::max(hi - lo, 1e-9) * 255.0;
  ops::applyLut(bitmap, toLut(curve));
}

// The combined enhancement, in one table plus an optional saturation pass:
// 1. levels from the lightness histogram with `clip` percent of the pixels clipped (half at each
//    end), applied at `stretch` percent (the curve is blended with the diagonal); steps 1 and 2
//    form one curve applied to the lightness (applyLightnessCurve);
// 2. a gamma curve that moves the median lightness (after step 1) `midtones` percent of the way
//    to mid grey (γ limited to 0.5 … 2), lifting a dark photo's shadows and calming a washed-out one;
// 3. saturation raised by `saturation` percent scaled by how dull the picture is: the mean chroma
//    (max − min of the channels) measured against 96 levels; a vivid picture gets nothing.
// A well-exposed photo has levels near 0 and 255 and its median near mid grey, so steps 1 and 2
// are close to the identity.
void AutoEnhance(Bitmap& bitmap, const EnhanceParameters& parameters) {
  if (bitmap.empty()) return;
  const Histogram h = lumaHistogram(bitmap);
  const auto [lo, hi] = percentiles(h, std::clamp(parameters.clip, 0, 50) / 200.0);
  const std::array<double, 256> levels = levelsCurve(lo, hi);
  const double strength = std::clamp(parameters.stretch, 0, 100) / 100.0;
  std::array<double, 256> curve{};
  for (int v = 0; v < 256; ++v) {
    curve[static_cast<std::size_t>(v)] = std::clamp(v + strength * (levels[static_cast<std::size_t>(v)] - v), 0.0, 255.0);
  }
  const double m = std::clamp(curve[static_cast<std::size_t>(median(h))] / 255.0, 0.02, 0.98);
  const double target = m + std::clamp(parameters.midtones, 0, 100) / 100.0 * (0.5 - m);
  const double gamma = std::clamp(std::log(target) / std::log(m), 0.5, 2.0);
  for (double& c : curve) c = 255.0 * std::pow(c / 255.0, gamma);
  applyLightnessCurve(bitmap, curve);

  long long chroma = 0, count = 0;
  for (int y = 0; y < bitmap.height(); y += 4) {
    const std::uint8_t* p = bitmap.row(y);
    for (int x = 0; x < bitmap.width(); x += 4) {
      const std::uint8_t* q = p + 3 * x;
      chroma += std::max({q[0], q[1], q[2]}) - std::min({q[0], q[1], q[2]});
      ++count;
    }
  }
  const double dullness = std::max(0.0, 1.0 - static_cast<double>(chroma) / std::max<long long>(count, 1) / 96.0);
  const double boost = parameters.saturation * dullness;
  if (boost >= 1.0) AdjustSaturation(bitmap, boost);
}

// The Wallis filter on the lightness. With m and s the mean and standard deviation of the window
// around a pixel, its lightness v becomes
//   v' = b·md + (1 − b)·m + (v − m) · A·sd / (A·s + sd),
// b the brightness forcing, md the target mean, sd the target deviation and A the largest gain: the
// local contrast of every area is pulled toward sd — flat, detailed areas are lifted up to A times,
// strongly contrasted ones toned down. Only `gainShare` percent of the gain's departure from 1 is
// kept, `mix` percent of the change v' − v is added to all three channels (so colours keep their
// hue), and the result is clamped.
void Wallis(Bitmap& bitmap, const WallisParameters& pr) {
  const int w = bitmap.width(), h = bitmap.height();
  if (w == 0 || h == 0) return;
  const int rx = std::max(0, pr.halfWidth), ry = std::max(0, pr.halfHeight);
  const double area = static_cast<double>(2 * rx + 1) * (2 * ry + 1);
  const double b = std::clamp(pr.brightnessForcing, 0, 100) / 100.0;
  const double md = std::clamp(pr.targetMean, 0, 100) / 100.0 * 255.0;
  const double gainLimit = std::max(1, pr.maxGain);
  const double sd = std::max(1, pr.targetDeviation) / 2.0;
  const double share = std::clamp(pr.gainShare, 0, 100) / 100.0;
  const double mix = std::clamp(pr.mix, 0, 100) / 100.0;
  std::vector<std::uint8_t> y8(static_cast<std::size_t>(w) * h);
  parallelRows(h, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      const std::uint8_t* p = bitmap.row(y);
      std::uint8_t* l = y8.data() + static_cast<std::size_t>(y) * w;
      for (int x = 0; x < w; ++x, p += 3) l[x] = static_cast<std::uint8_t>(luma(p));
    }
  });
  parallelRows(h, [&](int y0, int y1) {
    // Horizontal window sums of v and v² per row, kept for the 2·ry + 1 rows of the window.
    const std::size_t rows = static_cast<std::size_t>(2 * ry + 1);
    std::vector<std::vector<std::int64_t>> s1(rows, std::vector<std::int64_t>(static_cast<std::size_t>(w)));
    std::vector<std::vector<std::int64_t>> s2 = s1;
    std::vector<std::int64_t> t1(static_cast<std::size_t>(w)), t2(static_cast<std::size_t>(w));
    auto horizontal = [&](int sy, std::vector<std::int64_t>& a, std::vector<std::int64_t>& q) {
      const std::uint8_t* l = y8.data() + static_cast<std::size_t>(std::clamp(sy, 0, h - 1)) * w;
      std::int64_t u = 0, v = 0;
      for (int k = -rx; k <= rx; ++k) {
        const int val = l[std::clamp(k, 0, w - 1)];
        u += val;
        v += val * val;
      }
      for (int x = 0; x < w; ++x) {
        a[static_cast<std::size_t>(x)] = u;
        q[static_cast<std::size_t>(x)] = v;
        const int in = l[std::min(x + rx + 1, w - 1)], out = l[std::max(x - rx, 0)];
        u += in - out;
        v += in * in - out * out;
      }
    };
    for (int k = -ry; k <= ry; ++k) horizontal(y0 + k, s1[static_cast<std::size_t>(k + ry)], s2[static_cast<std::size_t>(k + ry)]);
    std::fill(t1.begin(), t1.end(), 0);
    std::fill(t2.begin(), t2.end(), 0);
    for (std::size_t r = 0; r < rows; ++r) {
      for (int x = 0; x < w; ++x) {
        t1[static_cast<std::size_t>(x)] += s1[r][static_cast<std::size_t>(x)];
        t2[static_cast<std::size_t>(x)] += s2[r][static_cast<std::size_t>(x)];
      }
    }
    std::size_t oldest = 0;
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = bitmap.row(y);
      const std::uint8_t* l = y8.data() + static_cast<std::size_t>(y) * w;
      for (int x = 0; x < w; ++x, p += 3) {
        const double m = t1[static_cast<std::size_t>(x)] / area;
        const double var = std::max(0.0, t2[static_cast<std::size_t>(x)] / area - m * m);
        const double gain = gainLimit * sd / (gainLimit * std::sqrt(var) + sd);
        const double g = 1.0 + (gain - 1.0) * share;
        const double target = b * md + (1.0 - b) * m + (l[x] - m) * g;
        const int delta = static_cast<int>(std::lrint((target - l[x]) * mix));
        p[0] = ClampByte(p[0] + delta);
        p[1] = ClampByte(p[1] + delta);
        p[2] = ClampByte(p[2] + delta);
      }
      if (y + 1 == y1) break;
      for (int x = 0; x < w; ++x) {
        t1[static_cast<std::size_t>(x)] -= s1[oldest][static_cast<std::size_t>(x)];
        t2[static_cast<std::size_t>(x)] -= s2[oldest][static_cast<std::size_t>(x)];
      }
      horizontal(y + ry + 1, s1[oldest], s2[oldest]);
      for (int x = 0; x < w; ++x) {
        t1[static_cast<std::size_t>(x)] += s1[oldest][static_cast<std::size_t>(x)];
        t2[static_cast<std::size_t>(x)] += s2[oldest][static_cast<std::size_t>(x)];
      }
      oldest = (oldest + 1) % rows;
    }
  });
}

}  // namespace virmeya
