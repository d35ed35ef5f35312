// "Gradients": fourteen colour gradients for the brightness tint. The tint keeps the photo's
// brightness and takes every colour from here (a photo pixel whose channels add up to 600 shows the
// gradient's colour exactly), so the colours are clear and fairly light.
#include <array>
#include <string>

#include "tools/contentgen/contentgen.h"

namespace virmeya::contentgen {

namespace {

using Design = Rgb (*)(double u, double v, double aspect);

// Position along a direction through the centre, 0 at one side and 1 at the other.
double along(double u, double v, double dx, double dy) {
  const double len = std::abs(dx) + std::abs(dy);
  return clamp01(0.5 + ((u - 0.5) * dx + (v - 0.5) * dy) / len);
}

double radial(double u, double v, double cx, double cy, double aspect) {
  return std::hypot((u - cx) * aspect, v - cy) / std::hypot(0.5 * aspect, 0.5);
}

Rgb hue(double h) {  // a soft rainbow colour for h in [0, 1)
  const double r = 0.5 + 0.5 * std::cos(6.2831853 * (h + 0.00));
  const double g = 0.5 + 0.5 * std::cos(6.2831853 * (h - 0.33));
  const double b = 0.5 + 0.5 * std::cos(6.2831853 * (h - 0.67));
  return {90 + 165 * r, 90 + 165 * g, 90 + 165 * b};
}

const std::array<Design, 14> kDesigns = {
    // 0 sunset: violet sky, rose, orange, a golden horizon
    [](double, double v, double) {
      const Rgb c[] = {{120, 90, 200}, {225, 110, 170}, {255, 150, 80}, {255, 215, 120}};
      return stops(c, v);
    },
    // 1 sea: shallow turquoise over deep blue
    [](double u, double v, double) {
      const Rgb c[] = {{150, 235, 235}, {60, 190, 215}, {40, 110, 205}, {30, 60, 160}};
      return stops(c, 0.85 * v + 0.15 * u);
    },
    // 2 forest: sunlit lime in a corner, deep greens across
    [](double u, double v, double aspect) {
      const Rgb c[] = {{215, 240, 120}, {120, 205, 90}, {50, 150, 80}, {30, 100, 70}};
      return stops(c, radial(u, v, 0.15, 0.1, aspect) * 0.95);
    },
    // 3 sepia: warm paper tones, lighter in the middle
    [](double u, double v, double aspect) {
      const Rgb c[] = {{245, 205, 150}, {220, 170, 115}, {170, 120, 80}};
      return stops(c, radial(u, v, 0.5, 0.45, aspect));
    },
    // 4 rainbow: a soft sweep of hues from left to right
    [](double u, double v, double) { return hue(0.92 * along(u, v, 1.0, 0.25)); },
    // 5 teal and orange duotone along the diagonal
    [](double u, double v, double) {
      const Rgb c[] = {{40, 170, 185}, {200, 200, 180}, {255, 150, 60}};
      return stops(c, along(u, v, 1.0, 0.8));
    },
    // 6 dusk: pink to violet to night blue from the bottom up
    [](double u, double v, double) {
      const Rgb c[] = {{70, 80, 180}, {150, 90, 200}, {240, 130, 185}, {255, 190, 170}};
      return stops(c, 0.9 * v + 0.1 * u);
    },
    // 7 gold: a bright golden centre fading to bronze
    [](double u, double v, double aspect) {
      const Rgb c[] = {{255, 230, 140}, {235, 180, 80}, {175, 115, 50}};
      return stops(c, radial(u, v, 0.5, 0.5, aspect) * 1.05);
    },
    // 8 moonlight: cold silvery blue, lighter at the top right
    [](double u, double v, double) {
      const Rgb c[] = {{215, 230, 250}, {150, 175, 215}, {90, 110, 170}};
      return stops(c, along(u, v, -0.6, 1.0));
    },
    // 9 autumn: red, orange and yellow leaves along the diagonal
    [](double u, double v, double) {
      const Rgb c[] = {{205, 60, 45}, {245, 130, 45}, {250, 200, 70}, {200, 160, 70}};
      return stops(c, along(u, v, 1.0, -0.7));
    },
    // 10 spring: lime grass below, yellow light, clear sky above
    [](double u, double v, double) {
      const Rgb c[] = {{130, 200, 250}, {250, 240, 150}, {170, 225, 90}};
      return stops(c, 0.9 * v + 0.1 * (1 - u));
    },
    // 11 magenta and cyan duotone
    [](double u, double v, double) {
      const Rgb c[] = {{230, 70, 180}, {170, 130, 230}, {60, 210, 230}};
      return stops(c, along(u, v, 1.0, 0.4));
    },
    // 12 cyanotype: one deep Prussian blue, lighter in the centre
    [](double u, double v, double aspect) {
      const Rgb c[] = {{120, 175, 230}, {60, 110, 190}, {35, 65, 140}};
      return stops(c, radial(u, v, 0.5, 0.5, aspect));
    },
    // 13 pastel: peach, lavender, mint and butter in the four corners
    [](double u, double v, double) {
      const Rgb top = mix(Rgb{255, 190, 160}, Rgb{200, 175, 245}, smoothstep(0, 1, u));
      const Rgb bottom = mix(Rgb{170, 235, 200}, Rgb{250, 235, 160}, smoothstep(0, 1, u));
      return mix(top, bottom, smoothstep(0, 1, v));
    },
};

}  // namespace

void drawGradients(Output& out) {
  for (std::size_t i = 0; i < kDesigns.size(); ++i) {
    const std::string name = std::to_string(i) + ".jpg";
    const auto seed = static_cast<std::uint32_t>(100 + i);
    out.jpeg(paint(kFullWidth, kFullHeight, seed, kDesigns[i]), "Data/Full/Gradients/" + name);
    out.jpeg(paint(kSmallWidth, kSmallHeight, seed, kDesigns[i]), "Data/Small/Gradients/" + name);
  }
}

}  // namespace virmeya::contentgen
