// Speed of the merge rule: two 24-megapixel layers (6000 × 4000) merged at full weight, against
// copying the same bytes with memcpy. Run: build/bench/virmeya-bench-merge
#include <benchmark/benchmark.h>

#include <cstring>

#include "imaging/layered_image.h"

namespace {

using namespace virmeya;

constexpr int kWidth = 6000, kHeight = 4000;

Bitmap pattern(std::uint8_t seedValue) {
  Bitmap b = Bitmap::uninitialized(kWidth, kHeight);
  std::uint32_t seed = seedValue;
  for (std::size_t i = 0; i < b.byteCount(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    b.data()[i] = static_cast<std::uint8_t>(seed >> 24);
  }
  return b;
}

const Bitmap& photo() {
  static const Bitmap b = pattern(1);
  return b;
}
const Bitmap& overlay() {
  static const Bitmap b = pattern(2);
  return b;
}

// The bytes of one layer copied into storage that is already touched (as mergeAll's target is).
void MemcpyOneLayer(benchmark::State& state) {
  Bitmap target = photo().clone();
  for (auto _ : state) {
    std::memcpy(target.data(), overlay().data(), overlay().byteCount());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * overlay().byteCount());
}
BENCHMARK(MemcpyOneLayer)->Unit(benchmark::kMillisecond)->UseRealTime();

// The blend itself: one full-size layer onto the photo, for each operation, at full weight.
void BlendLayerOnto(benchmark::State& state) {
  Bitmap target = photo().clone();
  Layer layer;
  layer.bitmap = overlay().clone();
  layer.fitDisplayToBitmap();
  layer.transparency = 255;
  layer.op = static_cast<BlendOp>(state.range(0));
  for (auto _ : state) {
    blendLayerOnto(target, layer, 0, 0, 0, 0, kWidth, kHeight);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * overlay().byteCount());
}
BENCHMARK(BlendLayerOnto)
    ->Arg(static_cast<int>(BlendOp::Copy))
    ->Arg(static_cast<int>(BlendOp::Screen))
    ->Arg(static_cast<int>(BlendOp::HardLight))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The whole of mergeAll: a photo and one layer of its size, full weight, copy operation. Building the
// document between runs is not timed.
void MergeAllTwoLayers(benchmark::State& state) {
  LayeredImage image;
  Bitmap photoStorage = photo().clone();
  Bitmap layerStorage = overlay().clone();
  for (auto _ : state) {
    state.PauseTiming();
    image.removeAllButPhoto();
    photoStorage.assign(photo());
    image.setPhoto(std::move(photoStorage));
    image.addLayer(std::move(layerStorage));
    state.ResumeTiming();
    image.mergeAll();
    benchmark::ClobberMemory();
    state.PauseTiming();
    photoStorage = std::move(image.photo().bitmap);
    layerStorage = overlay().clone();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * overlay().byteCount());
}
BENCHMARK(MergeAllTwoLayers)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
