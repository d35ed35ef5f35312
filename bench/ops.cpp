// Speed of every image operation on a 24-megapixel photo (6000 × 4000), in process, without file
// input and output. Run: build/bench/virmeya-bench-ops [--benchmark_filter=Blur].
#include <benchmark/benchmark.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_photo.h"
#include "imaging/ops/auto_correct.h"
#include "imaging/ops/colour_adjust.h"
#include "imaging/ops/filters.h"
#include "imaging/ops/geometry.h"

namespace {

using namespace virmeya;

const Bitmap& photo() { return benchPhoto(); }

// In-place operations work on a fresh copy each iteration (the copy is not timed); the copy's
// storage is reused, as the program reuses its working images.
void inPlace(benchmark::State& state, const std::function<void(Bitmap&)>& op) {
  Bitmap work = photo().clone();
  for (auto _ : state) {
    state.PauseTiming();
    work.assign(photo());
    state.ResumeTiming();
    op(work);
    benchmark::DoNotOptimize(work.data());
  }
  state.SetItemsProcessed(state.iterations() * 24'000'000LL);
}

// Operations returning a new picture: the allocation of the result is part of the cost.
void producing(benchmark::State& state, const std::function<Bitmap(const Bitmap&)>& op) {
  const Bitmap& source = photo();  // made before the clock starts
  for (auto _ : state) {
    Bitmap out = op(source);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 24'000'000LL);
}

struct Case {
  const char* name;
  std::function<void(Bitmap&)> inPlaceOp;
  std::function<Bitmap(const Bitmap&)> producingOp;
};

const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      {"AdjustTint/45", [](Bitmap& b) { AdjustTint(b, 45); }, nullptr},
      {"Colorize/45,99,1.5", [](Bitmap& b) { Colorize(b, 45, 99, 1.5); }, nullptr},
      {"AdjustSaturation/50", [](Bitmap& b) { AdjustSaturation(b, 50); }, nullptr},
      {"AdjustBrightnessContrastSaturation/70,60,120", [](Bitmap& b) { AdjustBrightnessContrastSaturation(b, 70, 60, 120); }, nullptr},
      {"AdjustBrightnessContrastSaturation/70,60,0", [](Bitmap& b) { AdjustBrightnessContrastSaturation(b, 70, 60, 0); }, nullptr},
      {"WhiteBalance_coef", [](Bitmap& b) { WhiteBalance_coef(b, 1.7, 1.4, 1.0); }, nullptr},
      {"Contrast/10", [](Bitmap& b) { Contrast(b, 10); }, nullptr},
      {"IntensityRGBall", [](Bitmap& b) { IntensityRGBall(b, -150, -150, -110); }, nullptr},
      {"ConvertToGray", [](Bitmap& b) { ConvertToGray(b); }, nullptr},
      {"ConvertToBWThreshold/-1", [](Bitmap& b) { ConvertToBWThreshold(b, -1); }, nullptr},
      {"Negative", [](Bitmap& b) { Negative(b); }, nullptr},
      {"HSLVariation/30,0,20", [](Bitmap& b) { HSLVariation(b, 30, 0, 20); }, nullptr},
      {"ConvertTo/20", [](Bitmap& b) { ConvertTo(b, 20); }, nullptr},
      {"Blur/5", [](Bitmap& b) { Blur(b, 5); }, nullptr},
      {"Blur/20", [](Bitmap& b) { Blur(b, 20); }, nullptr},
      {"BoxBlur", [](Bitmap& b) { BoxBlur(b); }, nullptr},
      {"Sobel", [](Bitmap& b) { Sobel(b); }, nullptr},
      {"Sharpen/10,4", [](Bitmap& b) { Sharpen(b, 10, 4); }, nullptr},
      {"Flip/horizontal", [](Bitmap& b) { Flip(b, FlipDirection::Horizontal); }, nullptr},
      {"Flip/vertical", [](Bitmap& b) { Flip(b, FlipDirection::Vertical); }, nullptr},
      {"Wave/300,4286", [](Bitmap& b) { Wave(b, 300, 4286, 0, false); }, nullptr},
      {"InnerShadow/67", [](Bitmap& b) { InnerShadow(b, 67, kBlack); }, nullptr},
      {"AutoLevels", [](Bitmap& b) { AutoLevels(b); }, nullptr},
      {"AutoWhiteBalance", [](Bitmap& b) { AutoWhiteBalance(b); }, nullptr},
      {"Equalize", [](Bitmap& b) { Equalize(b); }, nullptr},
      {"AutoEnhance", [](Bitmap& b) { AutoEnhance(b); }, nullptr},
      {"Wallis", [](Bitmap& b) { Wallis(b); }, nullptr},
      {"Rotate/90", nullptr, [](const Bitmap& b) { return Rotate(b, 90, true, kWhite); }},
      {"Rotate/45/antialias", nullptr, [](const Bitmap& b) { return Rotate(b, 45, true, kWhite); }},
      {"Rotate/45/nearest", nullptr, [](const Bitmap& b) { return Rotate(b, 45, false, kWhite); }},
      {"Crop/half", nullptr, [](const Bitmap& b) { return Crop(b, 1500, 1000, 3000, 2000); }},
      {"ResampleNoFilter/half", nullptr, [](const Bitmap& b) { return ResampleNoFilter(b, 3000, 2000); }},
      {"Resample/half/bilinear", nullptr, [](const Bitmap& b) { return Resample(b, 3000, 2000, ResampleFilter::Bilinear); }},
      {"Resample/half/bicubic", nullptr, [](const Bitmap& b) { return Resample(b, 3000, 2000, ResampleFilter::Bicubic); }},
      {"Resample/half/mitchell", nullptr, [](const Bitmap& b) { return Resample(b, 3000, 2000, ResampleFilter::Mitchell); }},
      {"Resample/half/hermite", nullptr, [](const Bitmap& b) { return Resample(b, 3000, 2000, ResampleFilter::Hermite); }},
      {"Resample/half/bell", nullptr, [](const Bitmap& b) { return Resample(b, 3000, 2000, ResampleFilter::Bell); }},
      {"Resample/half/bspline", nullptr, [](const Bitmap& b) { return Resample(b, 3000, 2000, ResampleFilter::BSpline); }},
      {"Resample/thumbnail/bilinear", nullptr, [](const Bitmap& b) { return Resample(b, 220, 147, ResampleFilter::Bilinear); }},
      {"SoftShadow/86,69", nullptr, [](const Bitmap& b) { return SoftShadow(b, 86, 69, 69, kBlack, 100); }},
  };
  return all;
}

}  // namespace

int main(int argc, char** argv) {
  for (const Case& c : cases()) {
    auto* b =
        c.inPlaceOp ? benchmark::RegisterBenchmark(c.name, [&c](benchmark::State& s) { inPlace(s, c.inPlaceOp); })
                    : benchmark::RegisterBenchmark(c.name, [&c](benchmark::State& s) { producing(s, c.producingOp); });
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
