// The processing-area masks: grey pictures, light where the photo stays as it is and dark where the
// effect shows, with soft transitions.
#include "tools/contentgen/contentgen.h"

namespace virmeya::contentgen {

namespace {

constexpr int kMaskWidth = 800, kMaskHeight = 600;

Bitmap mask(std::uint32_t seed, double (*lightness)(double u, double v, double aspect)) {
  return paint(kMaskWidth, kMaskHeight, seed, [lightness](double u, double v, double aspect) {
    return greyRgb(255.0 * clamp01(lightness(u, v, aspect)));
  });
}

// Distance outside a centred rounded rectangle of half-sizes (hx, hy) and corner radius r, in units
// of the height.
double roundedBoxDistance(double u, double v, double aspect, double hx, double hy, double r) {
  const double px = std::abs((u - 0.5) * aspect) - (hx - r);
  const double py = std::abs(v - 0.5) - (hy - r);
  const double ox = std::max(px, 0.0), oy = std::max(py, 0.0);
  return std::hypot(ox, oy) + std::min(std::max(px, py), 0.0) - r;
}

}  // namespace

void drawAreaMasks(Output& out) {
  // "Верхнюю часть": the effect in the upper part, so the mask is light at the bottom.
  out.jpeg(mask(11, [](double, double v, double) { return smoothstep(0.36, 0.64, v); }), "Area/Down.jpg");
  // "Нижнюю часть": light at the top.
  out.jpeg(mask(12, [](double, double v, double) { return 1.0 - smoothstep(0.36, 0.64, v); }), "Area/Up.jpg");
  // "Центр": the effect in a soft rounded rectangle in the middle, the photo around it.
  out.jpeg(mask(13,
                [](double u, double v, double aspect) {
                  const double d = roundedBoxDistance(u, v, aspect, 0.27 * aspect, 0.25, 0.08);
                  return smoothstep(-0.02, 0.12, d);
                }),
           "Area/Edges.jpg");
  // "Овал по центру": a centred oval with a wide feathered edge.
  out.jpeg(mask(14,
                [](double u, double v, double) {
                  const double d = std::hypot((u - 0.5) / 0.36, (v - 0.5) / 0.40);
                  return smoothstep(0.82, 1.18, d);
                }),
           "Area/VinMax.jpg");
  // The montage's soft-edge mask: light in the middle, darkening towards every edge.
  out.jpeg(mask(15,
                [](double u, double v, double aspect) {
                  const double d = roundedBoxDistance(u, v, aspect, 0.5 * aspect, 0.5, 0.22);
                  return 1.0 - smoothstep(-0.2, -0.01, d);
                }),
           "Area/Center.jpg");
}

}  // namespace virmeya::contentgen
