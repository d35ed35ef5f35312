// virmeya-cli info FILE: the picture's format, size, transparency and EXIF orientation as one JSON line.
#include <iostream>

#include "cli/command.h"
#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"

namespace virmeya::cli {
namespace {

int runInfo(const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].empty() || args[0].rfind("--", 0) == 0) {
    return fail(kUsage, "использование: virmeya-cli info ФАЙЛ");
  }
  PictureInfo info;
  try {
    info = probePicture(args[0]);
  } catch (const ImagingError& e) {
    return fail(kCannotRead, e.what());
  }
  std::cout << "{\"format\":\"" << formatName(info.format) << "\",\"width\":" << info.width
            << ",\"height\":" << info.height << ",\"alpha\":" << (info.alpha ? "true" : "false")
            << ",\"orientation\":" << info.orientation << "}\n";
  return kOk;
}

const CommandRegistration registration{
    {"info", "ФАЙЛ", "формат, размер, прозрачность и ориентация EXIF изображения (одна строка JSON)", runInfo}};

}  // namespace
}  // namespace virmeya::cli
