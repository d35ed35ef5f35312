// virmeya-cli thumbnails: the strip of an effect as the Effects page computes it, written as
// 0.png … N−1.png.
#include <filesystem>
#include <iostream>

#include "cli/command.h"
#include "cli/effect_options.h"
#include "effects/thumbnails.h"
#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"

namespace virmeya::cli {
namespace {

constexpr const char* kThumbnailsUsage = "--category C --item I [--set ИМЯ=ЗНАЧЕНИЕ ...] [--content ПАПКА] ВХОД ПАПКА";

int runThumbnails(const std::vector<std::string>& args) {
  EffectOptions o;
  if (std::string e = parseEffectOptions(args, false, o); !e.empty()) {
    return fail(kUsage, e + "; использование: virmeya-cli thumbnails " + kThumbnailsUsage);
  }
  if (o.files.size() != 2) return fail(kUsage, std::string("нужны ВХОД и ПАПКА; использование: virmeya-cli thumbnails ") + kThumbnailsUsage);
  const EffectItem& item = effectItem(o.choice.category, o.choice.item);
  if (item.showsPanel()) {
    return fail(kUsage, "эффект «" + std::string(item.caption) + "» показывает панель " + std::string(item.panel) +
                            ", а не миниатюры");
  }
  DecodedPicture picture;
  try {
    picture = readPicture(o.files[0]);
  } catch (const ImagingError& e) {
    return fail(kCannotRead, e.what());
  }
  picture.bitmap.dropAlpha();
  const StripContent strip = fillStrip(picture.bitmap, o.choice.category, o.choice.item,
                                       EffectContext{o.panel, o.setup, o.content, nullptr, o.seed});
  if (!strip.error.empty()) return fail(kCannotRead, strip.error);
  const std::filesystem::path dir = o.files[1];
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  try {
    for (std::size_t j = 0; j < strip.thumbnails.size(); ++j) {
      writePicture(strip.thumbnails[j], dir / (std::to_string(j) + ".png"));
    }
  } catch (const ImagingError& e) {
    return fail(kCannotWrite, e.what());
  }
  return kOk;
}

const CommandRegistration registration{
    {"thumbnails", kThumbnailsUsage,
     "записывает миниатюры эффекта 0.png … N−1.png так, как их считает лента страницы «Эффекты»", runThumbnails}};

}  // namespace
}  // namespace virmeya::cli
