// The sample pictures of the effect catalogue's buttons ("Catalogue/0.jpg" … "7.jpg", in button
// order): one landscape, each time shown through an effect of the button's category.
#include <string>

#include "algorithms/colour_effects.h"
#include "imaging/ops/colour_adjust.h"
#include "imaging/ops/filters.h"
#include "imaging/ops/geometry.h"
#include "tools/contentgen/contentgen.h"

namespace virmeya::contentgen {

namespace {

constexpr int kSampleWidth = 300, kSampleHeight = 220;

// A lake among hills at golden hour: sky, sun, two ranges of hills, the water with the sun's path.
Rgb landscape(double u, double v, double aspect) {
  const double x = u * aspect;
  const double horizon = 0.62;
  const double far = 0.47 + 0.06 * std::sin(x * 5.1 + 0.7) + 0.03 * std::sin(x * 13.0);
  const double near = 0.56 + 0.07 * std::sin(x * 3.3 + 2.0) + 0.02 * std::sin(x * 17.0 + 1.0);
  const double sunX = 0.62 * aspect, sunY = 0.33;
  if (v < far) {
    const Rgb sky[] = {{70, 120, 200}, {150, 185, 230}, {250, 215, 160}};
    Rgb c = stops(sky, v / 0.52);
    const double d = std::hypot(x - sunX, v - sunY);
    c = mix(c, Rgb{255, 245, 200}, clamp01(1.0 - smoothstep(0.035, 0.05, d)));
    return mix(c, Rgb{255, 225, 170}, 0.5 * std::exp(-d * d / 0.02));
  }
  if (v < near) return mix(Rgb{95, 120, 150}, Rgb{120, 140, 160}, (v - far) / (near - far));
  if (v < horizon) return mix(Rgb{45, 95, 55}, Rgb{35, 80, 45}, (v - near) / (horizon - near));
  // Water: the sky mirrored and darkened, a glitter under the sun.
  const double depth = (v - horizon) / (1.0 - horizon);
  Rgb water = mix(Rgb{120, 150, 190}, Rgb{40, 70, 110}, depth);
  const double path = std::exp(-std::pow((x - sunX) / (0.03 + 0.12 * depth), 2.0));
  const double ripple = 0.5 + 0.5 * std::sin(v * 180.0 + std::sin(x * 40.0));
  return mix(water, Rgb{255, 230, 170}, 0.7 * path * ripple);
}

// A colour-light overlay made on the spot: warm light from the top left, neutral grey elsewhere.
Bitmap warmLight(int w, int h) {
  return paint(w, h, 7, [](double u, double v, double aspect) {
    const double d = std::hypot(u * aspect, v);
    return mix(greyRgb(180), Rgb{255, 150, 70}, clamp01(1.1 - d));
  });
}

}  // namespace

void drawCatalogueSamples(Output& out) {
  const Bitmap scene = paint(kSampleWidth, kSampleHeight, 31, landscape);
  auto save = [&](int index, const Bitmap& b) { out.jpeg(b, "Catalogue/" + std::to_string(index) + ".jpg"); };

  Bitmap light = scene.clone();  // "Cветовые": coloured light falling from a corner
  offsetTint(light, warmLight(kSampleWidth, kSampleHeight), 80);
  save(0, light);

  Bitmap colour = scene.clone();  // "Цветовые": a hue turn
  TintVariant(colour, 9);
  save(1, colour);

  Bitmap basic = scene.clone();  // "Базовые": brightness and contrast
  AdjustBrightnessContrastSaturation(basic, 15, 40, 30);
  save(2, basic);

  Bitmap geometric = scene.clone();  // "Геометрические": a wave
  Wave(geometric, 6, 40, 0, true);
  save(3, geometric);

  Bitmap composite = scene.clone();  // "Составные": the picture in a few flat colours
  ConvertTo(composite, 12);
  save(4, composite);

  Bitmap stylised = scene.clone();  // "Стилизация": an engraving in brown ink
  ConvertToGray(stylised);
  Colorize(stylised, 30, 45, 1.6);
  save(5, stylised);

  Bitmap natural = scene.clone();  // "Природные": night falls
  AdjustBrightnessContrastSaturation(natural, -45, 10, -40);
  IntensityRGBall(natural, -20, 0, 35);
  save(6, natural);

  Bitmap montage = scene.clone();  // "Монтаж": the photo fading into a frame of soft light
  const Bitmap frame = paint(kSampleWidth, kSampleHeight, 9, [](double u, double v, double) {
    const double edge = std::min({u, 1.0 - u, v, 1.0 - v});
    return mix(Rgb{250, 240, 225}, Rgb{180, 180, 180}, smoothstep(0.0, 0.18, edge));
  });
  offsetTint(montage, frame, 100);
  save(7, montage);
}

}  // namespace virmeya::contentgen
