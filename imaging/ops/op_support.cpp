// Lookup-table passes and per-channel means shared by the image operations.
#include "imaging/ops/op_support.h"

#include <vector>

#include "imaging/bgr_vectors.h"
#include "imaging/parallel.h"

namespace virmeya::ops {

void applyLuts(Bitmap& bitmap, const Lut& blue, const Lut& green, const Lut& red) {
  const int w = bitmap.width();
  parallelRows(bitmap.height(), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = bitmap.row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        p[0] = blue[p[0]];
        p[1] = green[p[1]];
        p[2] = red[p[2]];
      }
    }
  });
}

void applyLut(Bitmap& bitmap, const Lut& lut) {
  // The padding bytes belong to the bitmap, so the whole block is one flat run of channel values.
  std::uint8_t* base = bitmap.data();
  const std::ptrdiff_t stride = bitmap.stride();
  parallelRows(bitmap.height(), [&](int y0, int y1) {
    simd::lookUpBytes(base + y0 * stride, static_cast<std::size_t>((y1 - y0) * stride), lut.data());
  });
}

ChannelMeans channelMeans(const Bitmap& bitmap) {
  const int w = bitmap.width();
  const int h = bitmap.height();
  if (w == 0 || h == 0) return {};
  std::vector<std::array<long long, 3>> rowAverages(static_cast<std::size_t>(h));
  parallelRows(h, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      const std::uint8_t* p = bitmap.row(y);
      long long sb = 0, sg = 0, sr = 0;
      for (int x = 0; x < w; ++x, p += 3) {
        sb += p[0];
        sg += p[1];
        sr += p[2];
      }
      rowAverages[static_cast<std::size_t>(y)] = {sb / w, sg / w, sr / w};
    }
  });
  long long tb = 0, tg = 0, tr = 0;
  for (const auto& a : rowAverages) {
    tb += a[0];
    tg += a[1];
    tr += a[2];
  }
  return ChannelMeans{static_cast<int>(tb / h), static_cast<int>(tg / h), static_cast<int>(tr / h)};
}

}  // namespace virmeya::ops
