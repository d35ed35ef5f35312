// "ColorLights": coloured light falling on a scene from different directions. Grey 180 is the
// neutral level (the offset tint leaves the photo as it is there); each light brings its colour in
// from a side, a corner or above, as a soft pool or a beam.
#include <array>
#include <string>
#include <vector>

#include "tools/contentgen/contentgen.h"

namespace virmeya::contentgen {

namespace {

constexpr double kNeutral = 180.0;
constexpr double kPi = 3.14159265358979;

struct Light {
  Rgb colour;
  double x, y;        // source, in picture units (height = 1); may lie outside the picture
  double direction;   // degrees, 0 = to the right, 90 = downwards
  double spread;      // half-width of a beam in degrees; 0 for a round pool of light
  double reach;       // how far the light carries, in heights
  double strength;    // 0..1
};

using Scene = std::vector<Light>;

// How much of a light reaches the point (px, py).
double amount(const Light& l, double px, double py) {
  const double dx = px - l.x, dy = py - l.y;
  const double d = std::hypot(dx, dy);
  const double fall = std::exp(-(d / l.reach) * (d / l.reach));
  if (l.spread <= 0) return l.strength * fall;
  const double a = std::atan2(dy, dx) * 180.0 / kPi;
  double off = std::abs(std::remainder(a - l.direction, 360.0));
  const double cone = 1.0 - smoothstep(l.spread * 0.55, l.spread, off);
  return l.strength * fall * cone;
}

Rgb shade(const Scene& scene, double u, double v, double aspect) {
  const double px = u * aspect, py = v;
  Rgb c = greyRgb(kNeutral);
  for (const Light& l : scene) {
    const double a = clamp01(amount(l, px, py));
    // Each light is laid over the ones before it: crossing beams take the later colour instead of
    // adding their offsets into a muddy grey.
    c = mix(c, l.colour, a);
  }
  return c;
}

// Positions use the width 4/3 of a picture 1 high.
const std::array<Scene, 14> kScenes = {{
    // 0 warm orange from the top left
    {{{255, 150, 60}, -0.1, -0.1, 40, 0, 1.1, 0.95}},
    // 1 blue from the right
    {{{70, 140, 255}, 1.55, 0.5, 180, 0, 0.95, 0.95}},
    // 2 a stage: red from below, blue from above
    {{{255, 70, 60}, 0.67, 1.25, -90, 0, 0.75, 0.9}, {{80, 110, 255}, 0.67, -0.25, 90, 0, 0.7, 0.85}},
    // 3 green from the left
    {{{90, 235, 110}, -0.2, 0.55, 0, 0, 0.95, 0.9}},
    // 4 a magenta beam from above
    {{{250, 80, 220}, 0.67, -0.3, 90, 28, 1.6, 0.95}},
    // 5 a sunset glow rising from the bottom
    {{{255, 130, 90}, 0.67, 1.5, -90, 0, 0.95, 0.95}, {{255, 210, 120}, 0.67, 1.2, -90, 0, 0.45, 0.6}},
    // 6 cyan from the left, magenta from the right
    {{{60, 230, 240}, -0.15, 0.5, 0, 0, 0.8, 0.9}, {{240, 70, 200}, 1.48, 0.5, 180, 0, 0.8, 0.9}},
    // 7 a yellow spot from the top right
    {{{255, 235, 90}, 1.4, -0.15, 135, 22, 1.5, 0.95}},
    // 8 purple from the bottom left
    {{{170, 90, 250}, -0.1, 1.1, -40, 0, 1.0, 0.95}},
    // 9 three stage lights: red, green and blue beams from above
    {{{255, 70, 70}, 0.3, -0.2, 62, 11, 1.5, 0.85},
     {{80, 245, 100}, 0.67, -0.2, 90, 11, 1.5, 0.85},
     {{80, 110, 255}, 1.03, -0.2, 118, 11, 1.5, 0.85}},
    // 10 teal light from above, as under water
    {{{60, 220, 200}, 0.67, -0.45, 90, 0, 0.9, 0.95}},
    // 11 golden rays slanting in from the top left
    {{{255, 205, 110}, -0.3, -0.3, 38, 9, 2.0, 0.8},
     {{255, 205, 110}, -0.3, -0.3, 55, 7, 2.0, 0.7},
     {{255, 205, 110}, -0.3, -0.3, 22, 6, 2.0, 0.6}},
    // 12 a fire's glow from the bottom centre
    {{{255, 90, 30}, 0.67, 1.15, -90, 0, 0.7, 1.0}, {{255, 190, 60}, 0.67, 1.05, -90, 0, 0.35, 0.8}},
    // 13 cold moonlight from the top left, a warm lamp at the bottom right
    {{{130, 170, 255}, -0.1, -0.1, 45, 0, 0.9, 0.9}, {{255, 170, 80}, 1.45, 1.1, 225, 0, 0.75, 0.9}},
}};

}  // namespace

void drawColorLights(Output& out) {
  for (std::size_t i = 0; i < kScenes.size(); ++i) {
    const Scene& scene = kScenes[i];
    const auto draw = [&scene](double u, double v, double aspect) { return shade(scene, u, v, aspect); };
    const std::string name = std::to_string(i) + ".jpg";
    const auto seed = static_cast<std::uint32_t>(200 + i);
    out.jpeg(paint(kFullWidth, kFullHeight, seed, draw), "Data/Full/ColorLights/" + name);
    out.jpeg(paint(kSmallWidth, kSmallHeight, seed, draw), "Data/Small/ColorLights/" + name);
  }
}

}  // namespace virmeya::contentgen
