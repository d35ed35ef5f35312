// Speed of the JPEG codec on a 24-megapixel photo (6000 × 4000): decoding from memory and from a
// file, encoding at cjpeg's default settings and with the optimisation dialog's options.
// The files it decodes are left in the temporary folder for the djpeg/cjpeg comparison
// (bench/README.md): virmeya-bench-24mp.jpg and virmeya-bench-24mp.ppm.
// Run: build/bench/virmeya-bench-codecs
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "bench/bench_photo.h"
#include "imaging/codecs/codecs.h"

namespace {

using namespace virmeya;

std::filesystem::path benchFile(const char* name) { return std::filesystem::temp_directory_path() / name; }

// cjpeg's defaults: quality 75, 4:2:0, integer DCT, standard Huffman tables.
const std::vector<std::uint8_t>& photoJpeg() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<std::uint8_t> jpeg = encodeJpeg(benchPhoto(), JpegOptions{75, 0, false});
    std::ofstream(benchFile("virmeya-bench-24mp.jpg"), std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
    const std::vector<std::uint8_t> ppm = encodePicture(benchPhoto(), PictureFormat::Pnm);
    std::ofstream(benchFile("virmeya-bench-24mp.ppm"), std::ios::binary)
        .write(reinterpret_cast<const char*>(ppm.data()), static_cast<std::streamsize>(ppm.size()));
    return jpeg;
  }();
  return bytes;
}

void DecodeJpegFromMemory(benchmark::State& state) {
  const auto& jpeg = photoJpeg();
  for (auto _ : state) {
    DecodedPicture p = decodePicture(jpeg.data(), jpeg.size());
    benchmark::DoNotOptimize(p.bitmap.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * benchPhoto().width() * benchPhoto().height() * 3);
}
BENCHMARK(DecodeJpegFromMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// Decoding into the storage of the previous picture of the same size: what reopening costs once the
// studio keeps its buffers, and the codec's own speed without the kernel's first-touch cost.
void DecodeJpegIntoReusedStorage(benchmark::State& state) {
  const auto& jpeg = photoJpeg();
  DecodedPicture p;
  decodePicture(jpeg.data(), jpeg.size(), p);
  for (auto _ : state) {
    decodePicture(jpeg.data(), jpeg.size(), p);
    benchmark::DoNotOptimize(p.bitmap.data());
  }
}
BENCHMARK(DecodeJpegIntoReusedStorage)->Unit(benchmark::kMillisecond)->UseRealTime();

void ReadJpegFile(benchmark::State& state) {
  photoJpeg();
  const auto path = benchFile("virmeya-bench-24mp.jpg");
  for (auto _ : state) {
    DecodedPicture p = readPicture(path);
    benchmark::DoNotOptimize(p.bitmap.data());
  }
}
BENCHMARK(ReadJpegFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// Arguments: quality, smoothing, optimal Huffman tables (0/1). The first row is cjpeg's default.
void EncodeJpeg(benchmark::State& state) {
  const Bitmap& b = benchPhoto();
  const JpegOptions options{static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), state.range(2) != 0};
  for (auto _ : state) {
    auto bytes = encodeJpeg(b, options);
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK(EncodeJpeg)
    ->ArgNames({"quality", "smoothing", "optimize"})
    ->Args({75, 0, 0})
    ->Args({90, 0, 1})
    ->Args({80, 30, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
