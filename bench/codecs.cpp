// Speed of the JPEG codec on a 24-megapixel photo (6000 × 4000): decoding from memory and from a
// file, encoding at cjpeg's default settings and with the optimisation dialog's options.
// The files it decodes are left in the temporary folder for the djpeg/cjpeg comparison
// (bench/README.md): virmeya-bench-24mp.jpg and virmeya-bench-24mp.ppm.
// Run: build/bench/virmeya-bench-codecs
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "imaging/codecs/codecs.h"

namespace {

using namespace virmeya;

// A photo-like picture: smooth colour fields with edges and fine grain (a flat picture would
// compress, and decode, unrealistically fast).
const Bitmap& photo() {
  static const Bitmap picture = [] {
    constexpr int w = 6000, h = 4000;
    Bitmap b = Bitmap::uninitialized(w, h);
    std::uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
      std::uint8_t* p = b.row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        seed = seed * 1664525u + 1013904223u;
        const int grain = static_cast<int>((seed >> 24) % 17) - 8;
        const double u = static_cast<double>(x) / w, v = static_cast<double>(y) / h;
        const bool object = (x / 700 + y / 500) % 3 == 0;
        const int r = static_cast<int>(120 + 100 * std::sin(6 * u + 2 * v)) + (object ? 40 : 0);
        const int g = static_cast<int>(110 + 90 * std::cos(4 * v - 3 * u));
        const int bl = static_cast<int>(100 + 80 * std::sin(9 * u * v + 1)) - (object ? 50 : 0);
        p[0] = ClampByte(bl + grain);
        p[1] = ClampByte(g + grain);
        p[2] = ClampByte(r + grain);
      }
    }
    return b;
  }();
  return picture;
}

std::filesystem::path benchFile(const char* name) { return std::filesystem::temp_directory_path() / name; }

// cjpeg's defaults: quality 75, 4:2:0, integer DCT, standard Huffman tables.
const std::vector<std::uint8_t>& photoJpeg() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<std::uint8_t> jpeg = encodeJpeg(photo(), JpegOptions{75, 0, false});
    std::ofstream(benchFile("virmeya-bench-24mp.jpg"), std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
    const std::vector<std::uint8_t> ppm = encodePicture(photo(), PictureFormat::Pnm);
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
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * photo().width() * photo().height() * 3);
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

void EncodeJpegDefault(benchmark::State& state) {
  const Bitmap& b = photo();
  for (auto _ : state) {
    auto bytes = encodeJpeg(b, JpegOptions{75, 0, false});
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK(EncodeJpegDefault)->Unit(benchmark::kMillisecond)->UseRealTime();

void EncodeJpegQuality90Optimised(benchmark::State& state) {
  const Bitmap& b = photo();
  for (auto _ : state) {
    auto bytes = encodeJpeg(b, JpegOptions{90, 0, true});
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK(EncodeJpegQuality90Optimised)->Unit(benchmark::kMillisecond)->UseRealTime();

void EncodeJpegSmoothed(benchmark::State& state) {
  const Bitmap& b = photo();
  for (auto _ : state) {
    auto bytes = encodeJpeg(b, JpegOptions{80, 30, false});
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK(EncodeJpegSmoothed)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
