// virmeya-cli effect: Apply on one photo (or a batch) as the Effects page runs it — the effect, then
// the processing area or the opacity — with every control of the page and of the settings dialog
// settable by name.
#include <charconv>
#include <filesystem>
#include <iostream>

#include <QString>

#include "cli/command.h"
#include "cli/effect_options.h"
#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"
#include "workspace/paths.h"

namespace virmeya::cli {

namespace {

bool parseWhole(const std::string& text, long long lo, long long hi, long long& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && value >= lo && value <= hi;
}

// A category by number (0–6), caption ("Цветовые") or selector name ("ColorModa").
int findCategory(const std::string& text) {
  long long n = 0;
  if (parseWhole(text, 0, kCategoryCount - 1, n)) return static_cast<int>(n);
  const auto categories = effectCategories();
  for (std::size_t i = 0; i < categories.size(); ++i) {
    if (categories[i].caption == text || categories[i].selectorName == text) return static_cast<int>(i);
  }
  return -1;
}

int findItem(int category, const std::string& text) {
  const EffectCategory& c = effectCategory(category);
  long long n = 0;
  if (parseWhole(text, 0, static_cast<long long>(c.items.size()) - 1, n)) return static_cast<int>(n);
  for (std::size_t i = 0; i < c.items.size(); ++i) {
    if (c.items[i].caption == text) return static_cast<int>(i);
  }
  return -1;
}

template <class State>
std::string setByName(State& state, std::span<const Control<State>> table, const Control<State>& c,
                      const std::string& value) {
  const auto parsed = parseControlValue(c, value);
  if (!parsed || !setControlValue(state, table, c, *parsed)) {
    return std::string(c.name) + ": недопустимое значение «" + value + "» (допустимо от " + std::to_string(c.minimum) +
           " до " + std::to_string(c.maximum) + ")";
  }
  return {};
}

std::string setControl(EffectOptions& o, const std::string& assignment) {
  const auto eq = assignment.find('=');
  if (eq == std::string::npos || eq == 0) return "--set ожидает ИМЯ=ЗНАЧЕНИЕ, а не «" + assignment + "»";
  const std::string name = assignment.substr(0, eq), value = assignment.substr(eq + 1);
  const auto page = effectsPanelControls();
  if (const auto* c = findControl(page, name)) return setByName(o.panel, page, *c, value);
  const auto dialog = filterSetupControls();
  if (const auto* c = findControl(dialog, name)) return setByName(o.setup, dialog, *c, value);
  return "неизвестный элемент управления «" + name + "»";
}

constexpr const char* kEffectUsage =
    "--category C --item I [--variant A] [--area N] [--opacity P] [--set ИМЯ=ЗНАЧЕНИЕ ...] [--content ПАПКА] "
    "[--seed N] ВХОД ВЫХОД | ... --output-dir ПАПКА ВХОД...";

}  // namespace

std::string parseEffectOptions(const std::vector<std::string>& args, bool withApply, EffectOptions& o) {
  std::string categoryText, itemText, variantText, contentDir;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--", 0) != 0) {
      o.files.push_back(a);
      continue;
    }
    const bool takesValue = a == "--category" || a == "--item" || a == "--set" || a == "--content" ||
                            (withApply && (a == "--variant" || a == "--area" || a == "--opacity" ||
                                           a == "--seed" || a == "--output-dir"));
    if (!takesValue) return "неизвестный параметр «" + a + "»";
    if (i + 1 >= args.size()) return "после " + a + " нужно значение";
    const std::string& v = args[++i];
    long long n = 0;
    if (a == "--category") {
      categoryText = v;
    } else if (a == "--item") {
      itemText = v;
    } else if (a == "--variant") {
      variantText = v;
    } else if (a == "--area") {
      if (!parseWhole(v, 0, kAreaCount - 1, n)) return "--area: ожидается число от 0 до 6";
      o.panel.areaBox = static_cast<int>(n);
    } else if (a == "--opacity") {
      if (!parseWhole(v, 0, 255, n)) return "--opacity: ожидается число от 0 до 255";
      o.panel.opasCheck = true;
      o.panel.opasBar = static_cast<int>(n);
    } else if (a == "--seed") {
      if (!parseWhole(v, 0, 0x7FFFFFFFFFFFFFFFLL, n)) return "--seed: ожидается неотрицательное целое число";
      o.seed = static_cast<std::uint64_t>(n);
    } else if (a == "--output-dir") {
      o.outputDir = v;
    } else if (a == "--content") {
      contentDir = v;
    } else if (a == "--set") {
      if (std::string e = setControl(o, v); !e.empty()) return e;
    }
  }
  if (categoryText.empty() || itemText.empty()) return "нужны --category и --item";
  o.choice.category = findCategory(categoryText);
  if (o.choice.category < 0) return "нет категории эффектов «" + categoryText + "»";
  o.choice.item = findItem(o.choice.category, itemText);
  if (o.choice.item < 0) {
    return "в категории «" + std::string(effectCategory(o.choice.category).caption) + "» нет эффекта «" + itemText + "»";
  }
  o.panel.megaTabs = o.choice.category;
  o.panel.setSelectorIndex(o.choice.category, o.choice.item);
  const EffectItem& item = effectItem(o.choice.category, o.choice.item);
  // Without --variant the selection rests where filling the strip leaves it: on the last thumbnail.
  o.choice.variant = item.showsPanel() ? 0 : item.thumbnailCount - 1;
  if (!variantText.empty() && !item.showsPanel()) {
    long long n = 0;
    if (!parseWhole(variantText, 0, item.thumbnailCount - 1, n)) {
      return "--variant: у эффекта «" + std::string(item.caption) + "» варианты от 0 до " +
             std::to_string(item.thumbnailCount - 1);
    }
    o.choice.variant = static_cast<int>(n);
  }
  o.content.dir = contentRoot(QString::fromStdString(contentDir)).toStdString();
  return {};
}

namespace {

int runEffect(const std::vector<std::string>& args) {
  EffectOptions o;
  if (std::string e = parseEffectOptions(args, true, o); !e.empty()) {
    return fail(kUsage, e + "; использование: virmeya-cli effect " + kEffectUsage);
  }
  std::vector<std::pair<std::string, std::filesystem::path>> jobs;
  if (o.outputDir.empty()) {
    if (o.files.size() != 2) return fail(kUsage, std::string("нужны ВХОД и ВЫХОД; использование: virmeya-cli effect ") + kEffectUsage);
    jobs.emplace_back(o.files[0], o.files[1]);
  } else {
    if (o.files.empty()) return fail(kUsage, "нет входных файлов");
    std::error_code ec;
    std::filesystem::create_directories(o.outputDir, ec);
    for (const std::string& f : o.files) jobs.emplace_back(f, std::filesystem::path(o.outputDir) / std::filesystem::path(f).filename());
  }
  for (const auto& [in, out] : jobs) {
    if (formatForExtension(out) == PictureFormat::Unknown) return fail(kUsage, "не удаётся определить формат по имени «" + out.string() + "»");
  }
  const EffectContext context{o.panel, o.setup, o.content, nullptr, o.seed};
  ApplyBuffers buffers;
  int worst = kOk;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const auto& [in, out] = jobs[i];
    if (jobs.size() > 1) std::cerr << "[" << i + 1 << "/" << jobs.size() << "] " << in << '\n';
    DecodedPicture picture;
    try {
      picture = readPicture(in);
    } catch (const ImagingError& e) {
      worst = fail(kCannotRead, e.what());
      continue;
    }
    picture.bitmap.dropAlpha();
    Bitmap result;
    const ApplyOutcome outcome = renderEffect(picture.bitmap, o.choice, context, kWhite, result, &buffers);
    if (!outcome) {
      // Nothing half-done is written.
      worst = fail(kCannotRead, in + ": " + outcome.message);
      if (jobs.size() == 1) return worst;
      continue;
    }
    try {
      writePicture(result, out);
    } catch (const ImagingError& e) {
      worst = fail(kCannotWrite, e.what());
    }
    buffers.result = std::move(result);
  }
  return worst;
}

const CommandRegistration registration{
    {"effect", kEffectUsage,
     "применяет эффект к фотографии, как кнопка OK страницы «Эффекты» (категория, эффект, вариант, область, "
     "прозрачность, настройки)",
     runEffect}};

}  // namespace
}  // namespace virmeya::cli
