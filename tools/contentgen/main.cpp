// virmeya-contentgen OUTDIR: draws every content picture of the program into OUTDIR.
#include <cstdio>
#include <exception>

#include "imaging/codecs/codecs.h"
#include "tools/contentgen/contentgen.h"

namespace virmeya::contentgen {

void Output::jpeg(const Bitmap& picture, const std::string& relative, int quality) {
  const std::filesystem::path path = root_ / relative;
  std::filesystem::create_directories(path.parent_path());
  WriteOptions options;
  options.jpeg.quality = quality;
  options.jpeg.optimize = true;
  writePicture(picture, path, options);
  ++written_;
}

}  // namespace virmeya::contentgen

int main(int argc, char** argv) {
  using namespace virmeya::contentgen;
  if (argc != 2) {
    std::fprintf(stderr, "usage: virmeya-contentgen OUTDIR\n");
    return 1;
  }
  try {
    Output out{std::filesystem::path(argv[1])};
    drawAreaMasks(out);
    drawGradients(out);
    drawColorLights(out);
    drawCatalogueSamples(out);
    std::printf("virmeya-contentgen: %d pictures in %s\n", out.written(), argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "virmeya-contentgen: %s\n", e.what());
    return 2;
  }
  return 0;
}
