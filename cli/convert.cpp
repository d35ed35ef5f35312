// virmeya-cli convert IN OUT: reads any picture we read and writes it in the format of OUT's extension.
#include <charconv>
#include <iostream>

#include "cli/command.h"
#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"

namespace virmeya::cli {
namespace {

constexpr const char* kUsageLine =
    "использование: virmeya-cli convert ВХОД ВЫХОД [--quality 1..100] [--smoothing 0..100] [--optimize]";

// A whole decimal number within [lo, hi], or false.
bool parseInt(const std::string& text, int lo, int hi, int& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && value >= lo && value <= hi;
}

int runConvert(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  WriteOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--optimize") {
      options.jpeg.optimize = true;
    } else if (a == "--quality" || a == "--smoothing") {
      const bool quality = a == "--quality";
      if (i + 1 >= args.size()) return fail(kUsage, "после " + a + " нужно число; " + kUsageLine);
      int& target = quality ? options.jpeg.quality : options.jpeg.smoothing;
      if (!parseInt(args[++i], quality ? 1 : 0, 100, target)) {
        return fail(kUsage, a + ": ожидается целое число от " + (quality ? "1" : "0") + " до 100, получено «" +
                                args[i] + "»");
      }
    } else if (a.rfind("--", 0) == 0) {
      return fail(kUsage, "неизвестный параметр «" + a + "»; " + kUsageLine);
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) return fail(kUsage, kUsageLine);
  const std::string& in = files[0];
  const std::string& out = files[1];
  if (formatForExtension(out) == PictureFormat::Unknown) {
    return fail(kUsage, "не удаётся определить формат по имени «" + out +
                            "»; возможны расширения jpg, png, tif, gif, bmp, pcx, ico, cur, tga, ppm");
  }

  DecodedPicture picture;
  try {
    picture = readPicture(in);
  } catch (const ImagingError& e) {
    return fail(kCannotRead, e.what());
  }
  if (picture.incomplete) {
    std::cerr << "virmeya-cli: предупреждение: «" << in << "»: " << picture.warning << '\n';
  }
  try {
    writePicture(picture.bitmap, out, options);
  } catch (const ImagingError& e) {
    return fail(kCannotWrite, e.what());
  }
  return kOk;
}

const CommandRegistration registration{
    {"convert", "ВХОД ВЫХОД [--quality N] [--smoothing N] [--optimize]",
     "переводит изображение в формат по расширению ВЫХОДА (качество, сглаживание и оптимальное сжатие — для JPEG)",
     runConvert}};

}  // namespace
}  // namespace virmeya::cli
