// Speed of the colour effects on a 24-megapixel photo, against one memcpy of the photo and the
// decoding of an overlay, and of filling a strip of fourteen thumbnails from such a photo.
// VIRMEYA_SIMD=avx2 in the environment runs the row kernels no higher than AVX2 (as on processors
// without AVX-512), VIRMEYA_SIMD=0 runs the portable loops.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "algorithms/colour_effects.h"
#include "effects/apply.h"
#include "effects/thumbnails.h"
#include "imaging/codecs/codecs.h"

namespace virmeya {
namespace {

constexpr int kWidth = 6000, kHeight = 4000;

Bitmap& photo() {
  static Bitmap b = [] {
    Bitmap p = Bitmap::uninitialized(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
      std::uint8_t* r = p.row(y);
      // Smooth like a photo, with a little grain.
      for (int x = 0; x < 3 * kWidth; ++x) {
        const int c = x % 3, px = x / 3;
        r[x] = static_cast<std::uint8_t>((px / 30 + y / (20 + 10 * c) + ((px * 131 + y * 71) & 7)) & 255);
      }
    }
    return p;
  }();
  return b;
}

// A content root holding gradient and colour-light overlay 0 at the full and thumbnail sizes.
const ContentRoot& content() {
  static const ContentRoot root = [] {
    ContentRoot r{std::filesystem::temp_directory_path() / "virmeya-bench-content"};
    auto put = [&](std::string_view kind, bool small) {
      const int w = small ? 200 : 1600, h = small ? 150 : 1200;
      Bitmap o(w, h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          o.setPixel(x, y, rgb(static_cast<std::uint8_t>(255 * x / w), static_cast<std::uint8_t>(255 * y / h), 150));
      const auto path = r.overlay(kind, small, 0);
      std::filesystem::create_directories(path.parent_path());
      writePicture(o, path, WriteOptions{JpegOptions{92, 0, true}});
    };
    for (bool small : {false, true}) {
      put(kGradientsKind, small);
      put(kColorLightsKind, small);
    }
    return r;
  }();
  return root;
}

void BM_Memcpy(benchmark::State& state) {
  Bitmap& src = photo();
  static Bitmap dst = Bitmap::uninitialized(kWidth, kHeight);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.byteCount());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DecodeFullOverlay(benchmark::State& state) {
  const auto path = content().overlay(kGradientsKind, false, 0);
  for (auto _ : state) benchmark::DoNotOptimize(readPicture(path));
}
BENCHMARK(BM_DecodeFullOverlay)->Unit(benchmark::kMillisecond)->UseRealTime();

template <class Effect>
void runOnPhoto(benchmark::State& state, Effect&& effect) {
  Bitmap& p = photo();
  for (auto _ : state) {
    effect(p);
    benchmark::ClobberMemory();
  }
}

void BM_Tint(benchmark::State& s) { runOnPhoto(s, [](Bitmap& p) { TintVariant(p, 3); }); }
void BM_Colorize(benchmark::State& s) { runOnPhoto(s, [](Bitmap& p) { ColorizeVariant(p, 3); }); }
void BM_Saturation(benchmark::State& s) { runOnPhoto(s, [](Bitmap& p) { SaturationVariant(p, 8); }); }
void BM_Solarize(benchmark::State& s) {
  Progress progress;
  runOnPhoto(s, [&](Bitmap& p) { SolarizeEffect(p, 50, true, &progress); });
}
void BM_Gradient(benchmark::State& s) {
  Progress progress;
  runOnPhoto(s, [&](Bitmap& p) { GradientEffect(p, 0, false, content(), &progress); });
}
void BM_OffsetTint(benchmark::State& s) {
  Progress progress;
  runOnPhoto(s, [&](Bitmap& p) { OffsetTintEffect(p, 0, OffsetTintSource::ColorLights, 80, content(), &progress); });
}
BENCHMARK(BM_Tint)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Colorize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Saturation)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Solarize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Gradient)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OffsetTint)->Unit(benchmark::kMillisecond)->UseRealTime();

// Apply as the window runs it (copy of the committed photo, effect, area blend), storage reused.
void BM_ApplyWithBorders(benchmark::State& state) {
  EffectsPanel panel;
  panel.areaBox = static_cast<int>(ProcessingArea::Borders);
  FilterSetupValues setup;
  ApplyBuffers buffers;
  Bitmap result;
  const EffectContext context{panel, setup, content()};
  for (auto _ : state) {
    benchmark::DoNotOptimize(renderEffect(photo(), EffectChoice{0, 4, 3}, context, kWhite, result, &buffers));
  }
}
BENCHMARK(BM_ApplyWithBorders)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole strip of a colour effect: the 200-pixel copy and fourteen thumbnails.
void BM_FillStrip(benchmark::State& state) {
  EffectsPanel panel;
  FilterSetupValues setup;
  const EffectContext context{panel, setup, content()};
  const int item = static_cast<int>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(fillStrip(photo(), 0, item, context));
}
BENCHMARK(BM_FillStrip)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ThumbnailBase(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(thumbnailBase(photo()));
}
BENCHMARK(BM_ThumbnailBase)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace virmeya

BENCHMARK_MAIN();
