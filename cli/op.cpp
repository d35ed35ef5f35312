// virmeya-cli op NAME [key=value ...] IN OUT: one image operation on a picture file. One table lists
// every operation with its parameters, ranges and defaults; parsing, --list and the checks read it.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>

#include "cli/command.h"
#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"
#include "imaging/layered_image.h"
#include "imaging/ops/auto_correct.h"
#include "imaging/ops/colour_adjust.h"
#include "imaging/ops/filters.h"
#include "imaging/ops/geometry.h"

namespace virmeya::cli {
namespace {

enum class Kind { Int, Real, Colour, Choice };

struct Param {
  std::string name;
  Kind kind;
  double lo = 0, hi = 0;              // Int and Real
  std::string fallback;               // default as text; empty: the parameter is required
  std::vector<std::string> choices;   // Choice
};

struct Values {
  std::map<std::string, std::string> text;
  double real(const std::string& k) const { return std::stod(text.at(k)); }
  int integer(const std::string& k) const { return std::stoi(text.at(k)); }
  bool flag(const std::string& k) const { return integer(k) != 0; }
  const std::string& word(const std::string& k) const { return text.at(k); }
  Bgr colour(const std::string& k) const {
    std::string t = text.at(k);
    if (!t.empty() && t[0] == '#') t.erase(0, 1);
    const unsigned long v = std::stoul(t, nullptr, 16);
    return rgb(static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v));
  }
};

// The picture is replaced by the operation's result (size-changing operations return a new one).
using Run = std::function<void(Bitmap&, const Values&)>;

struct Operation {
  std::string name;
  std::vector<Param> params;
  Run run;
};

Param integer(std::string name, int lo, int hi, std::string fallback) {
  return Param{std::move(name), Kind::Int, static_cast<double>(lo), static_cast<double>(hi), std::move(fallback), {}};
}
Param real(std::string name, double lo, double hi, std::string fallback) {
  return Param{std::move(name), Kind::Real, lo, hi, std::move(fallback), {}};
}
Param colour(std::string name, std::string fallback) { return Param{std::move(name), Kind::Colour, 0, 0, std::move(fallback), {}}; }
Param choice(std::string name, std::vector<std::string> choices) {
  std::string first = choices.front();
  return Param{std::move(name), Kind::Choice, 0, 0, first, std::move(choices)};
}

constexpr int kMaxSide = 30000;

ResampleFilter filterNamed(const std::string& n) {
  static const std::map<std::string, ResampleFilter> filters = {
      {"bilinear", ResampleFilter::Bilinear}, {"bicubic", ResampleFilter::Bicubic}, {"mitchell", ResampleFilter::Mitchell},
      {"hermite", ResampleFilter::Hermite},   {"bell", ResampleFilter::Bell},       {"bspline", ResampleFilter::BSpline},
      {"none", ResampleFilter::None}};
  return filters.at(n);
}

const std::vector<Operation>& operations() {
  static const std::vector<Operation> table = {
      {"AdjustTint", {real("degrees", -360, 360, "0")}, [](Bitmap& b, const Values& v) { AdjustTint(b, v.real("degrees")); }},
      {"Colorize", {integer("hue", -360, 360, "0"), integer("saturation", 0, 255, "50"), real("factor", 0, 100, "1")},
       [](Bitmap& b, const Values& v) { Colorize(b, v.integer("hue"), v.integer("saturation"), v.real("factor")); }},
      {"AdjustSaturation", {integer("amount", -100, 160, "0")},
       [](Bitmap& b, const Values& v) { AdjustSaturation(b, v.integer("amount")); }},
      {"AdjustBrightnessContrastSaturation",
       {integer("brightness", -100, 300, "0"), integer("contrast", -100, 100, "0"), integer("saturation", -100, 500, "0")},
       [](Bitmap& b, const Values& v) {
         AdjustBrightnessContrastSaturation(b, v.integer("brightness"), v.integer("contrast"), v.integer("saturation"));
       }},
      {"WhiteBalance_coef", {real("red", 0, 10, "1"), real("green", 0, 10, "1"), real("blue", 0, 10, "1")},
       [](Bitmap& b, const Values& v) { WhiteBalance_coef(b, v.real("red"), v.real("green"), v.real("blue")); }},
      {"Contrast", {integer("amount", -100, 300, "0")}, [](Bitmap& b, const Values& v) { Contrast(b, v.integer("amount")); }},
      {"IntensityRGBall", {integer("red", -255, 255, "0"), integer("green", -255, 255, "0"), integer("blue", -255, 255, "0")},
       [](Bitmap& b, const Values& v) { IntensityRGBall(b, v.integer("red"), v.integer("green"), v.integer("blue")); }},
      {"ConvertToGray", {}, [](Bitmap& b, const Values&) { ConvertToGray(b); }},
      {"Negative", {}, [](Bitmap& b, const Values&) { Negative(b); }},
      {"Sobel", {}, [](Bitmap& b, const Values&) { Sobel(b); }},
      {"BoxBlur", {}, [](Bitmap& b, const Values&) { BoxBlur(b); }},
      {"ConvertToBWThreshold", {integer("threshold", -1, 256, "-1")},
       [](Bitmap& b, const Values& v) { ConvertToBWThreshold(b, v.integer("threshold")); }},
      {"Blur", {real("radius", 0, 2000, "5")}, [](Bitmap& b, const Values& v) { Blur(b, v.real("radius")); }},
      {"Sharpen", {integer("intensity", 0, 100, "10"), integer("neighbourhood", 2, 50, "4")},
       [](Bitmap& b, const Values& v) { Sharpen(b, v.integer("intensity"), v.integer("neighbourhood")); }},
      {"Flip", {choice("direction", {"horizontal", "vertical"})},
       [](Bitmap& b, const Values& v) {
         Flip(b, v.word("direction") == "vertical" ? FlipDirection::Vertical : FlipDirection::Horizontal);
       }},
      {"Rotate", {real("angle", -360, 360, "0"), integer("antialias", 0, 1, "1"), colour("background", "FFFFFF")},
       [](Bitmap& b, const Values& v) { b = Rotate(b, v.real("angle"), v.flag("antialias"), v.colour("background")); }},
      {"Crop", {integer("x", 0, kMaxSide, "0"), integer("y", 0, kMaxSide, "0"), integer("width", 1, kMaxSide, ""), integer("height", 1, kMaxSide, "")},
       [](Bitmap& b, const Values& v) { b = Crop(b, v.integer("x"), v.integer("y"), v.integer("width"), v.integer("height")); }},
      {"ResampleNoFilter", {integer("width", 1, kMaxSide, ""), integer("height", 1, kMaxSide, "")},
       [](Bitmap& b, const Values& v) { b = ResampleNoFilter(b, v.integer("width"), v.integer("height")); }},
      {"Resample",
       {integer("width", 1, kMaxSide, ""), integer("height", 1, kMaxSide, ""),
        choice("filter", {"bilinear", "bicubic", "mitchell", "hermite", "bell", "bspline", "none"})},
       [](Bitmap& b, const Values& v) { b = Resample(b, v.integer("width"), v.integer("height"), filterNamed(v.word("filter"))); }},
      {"HSLVariation", {real("hue", -360, 360, "0"), integer("saturation", -100, 100, "0"), integer("lightness", -100, 100, "0")},
       [](Bitmap& b, const Values& v) { HSLVariation(b, v.real("hue"), v.integer("saturation"), v.integer("lightness")); }},
      {"SoftShadow",
       {integer("radius", 0, 500, "10"), integer("offsetx", -1000, 1000, "8"), integer("offsety", -1000, 1000, "8"),
        colour("color", "000000"), integer("intensity", 0, 100, "100")},
       [](Bitmap& b, const Values& v) {
         b = SoftShadow(b, v.integer("radius"), v.integer("offsetx"), v.integer("offsety"), v.colour("color"), v.integer("intensity"));
       }},
      {"InnerShadow", {integer("radius", 0, 500, "10"), colour("color", "000000")},
       [](Bitmap& b, const Values& v) { InnerShadow(b, v.integer("radius"), v.colour("color")); }},
      {"Wave",
       {integer("amplitude", -1000, 1000, "10"), integer("wavelength", 1, 100000, "50"), real("phase", -360, 360, "0"),
        integer("reflective", 0, 1, "0")},
       [](Bitmap& b, const Values& v) {
         Wave(b, v.integer("amplitude"), v.integer("wavelength"), v.real("phase"), v.flag("reflective"));
       }},
      {"ConvertTo", {integer("colors", 2, 256, "16")}, [](Bitmap& b, const Values& v) { ConvertTo(b, v.integer("colors")); }},
      {"AutoLevels", {}, [](Bitmap& b, const Values&) { AutoLevels(b); }},
      {"AutoWhiteBalance", {}, [](Bitmap& b, const Values&) { AutoWhiteBalance(b); }},
      {"Equalize", {}, [](Bitmap& b, const Values&) { Equalize(b); }},
      {"AutoEnhance", {}, [](Bitmap& b, const Values&) { AutoEnhance(b, EnhanceParameters{60, 20, 2, 25}); }},
      {"Wallis", {}, [](Bitmap& b, const Values&) { Wallis(b, WallisParameters{2, 2, 0, 50, 10, 50, 50, 50}); }},
  };
  return table;
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string formatNumber(double v) {
  std::ostringstream out;
  out << v;
  return out.str();
}

std::string describe(const Param& p) {
  std::string d = p.name + "=";
  switch (p.kind) {
    case Kind::Int: d += formatNumber(p.lo) + ".." + formatNumber(p.hi) + " (целое)"; break;
    case Kind::Real: d += formatNumber(p.lo) + ".." + formatNumber(p.hi); break;
    case Kind::Colour: d += "RRGGBB"; break;
    case Kind::Choice:
      for (std::size_t i = 0; i < p.choices.size(); ++i) d += (i ? "|" : "") + p.choices[i];
      break;
  }
  d += p.fallback.empty() ? ", обязательный" : ", по умолчанию " + p.fallback;
  return d;
}

void printList() {
  for (const Operation& op : operations()) {
    std::cout << op.name;
    if (op.params.empty()) std::cout << "  (без параметров)";
    std::cout << '\n';
    for (const Param& p : op.params) std::cout << "    " << describe(p) << '\n';
  }
}

// Checks one value against its parameter; returns an empty string or the reason it is refused.
std::string check(const Param& p, std::string& value) {
  const char* begin = value.data();
  const char* end = begin + value.size();
  switch (p.kind) {
    case Kind::Int: {
      long long v = 0;
      const auto [ptr, ec] = std::from_chars(begin, end, v);
      if (ec != std::errc() || ptr != end) return "ожидается целое число";
      if (v < p.lo || v > p.hi) return "допустимы значения от " + formatNumber(p.lo) + " до " + formatNumber(p.hi);
      return {};
    }
    case Kind::Real: {
      double v = 0;
      const auto [ptr, ec] = std::from_chars(begin, end, v);
      if (ec != std::errc() || ptr != end || !std::isfinite(v)) return "ожидается число";
      if (v < p.lo || v > p.hi) return "допустимы значения от " + formatNumber(p.lo) + " до " + formatNumber(p.hi);
      return {};
    }
    case Kind::Colour: {
      std::string t = value[0] == '#' ? value.substr(1) : value;
      if (t.size() != 6 || !std::all_of(t.begin(), t.end(), [](unsigned char c) { return std::isxdigit(c); })) {
        return "ожидается цвет RRGGBB (шесть шестнадцатеричных цифр)";
      }
      return {};
    }
    case Kind::Choice: {
      value = lower(value);
      if (std::find(p.choices.begin(), p.choices.end(), value) == p.choices.end()) {
        std::string all;
        for (const std::string& c : p.choices) all += (all.empty() ? "" : ", ") + c;
        return "возможны значения: " + all;
      }
      return {};
    }
  }
  return {};
}

constexpr const char* kUsageLine = "использование: virmeya-cli op ИМЯ [ключ=значение ...] ВХОД ВЫХОД; список операций: virmeya-cli op --list";

// Formats whose files carry no transparency: a picture with alpha is flattened onto white for them.
bool keepsAlpha(PictureFormat f) {
  return f != PictureFormat::Jpeg && f != PictureFormat::Pcx && f != PictureFormat::Pnm && f != PictureFormat::Wbmp;
}

int runOp(const std::vector<std::string>& args) {
  if (args.size() == 1 && (args[0] == "--list" || args[0] == "-l")) {
    printList();
    return kOk;
  }
  if (args.size() < 3) return fail(kUsage, kUsageLine);
  const std::string wanted = lower(args[0]);
  const auto& table = operations();
  const auto op = std::find_if(table.begin(), table.end(), [&](const Operation& o) { return lower(o.name) == wanted; });
  if (op == table.end()) return fail(kUsage, "неизвестная операция «" + args[0] + "»; список операций: virmeya-cli op --list");

  Values values;
  for (std::size_t i = 1; i + 2 < args.size(); ++i) {
    const std::string& a = args[i];
    const std::size_t eq = a.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == a.size()) {
      return fail(kUsage, "«" + a + "»: параметр задаётся как ключ=значение; " + kUsageLine);
    }
    const std::string key = lower(a.substr(0, eq));
    std::string value = a.substr(eq + 1);
    const auto p = std::find_if(op->params.begin(), op->params.end(), [&](const Param& q) { return q.name == key; });
    if (p == op->params.end()) {
      std::string known;
      for (const Param& q : op->params) known += (known.empty() ? "" : ", ") + q.name;
      return fail(kUsage, "у операции " + op->name + " нет параметра «" + a.substr(0, eq) + "»" +
                              (known.empty() ? " (она без параметров)" : "; параметры: " + known));
    }
    if (values.text.count(key)) return fail(kUsage, "параметр «" + key + "» задан дважды");
    const std::string why = check(*p, value);
    if (!why.empty()) return fail(kUsage, op->name + ": " + key + "=" + a.substr(eq + 1) + ": " + why);
    values.text[key] = value;
  }
  for (const Param& p : op->params) {
    if (values.text.count(p.name)) continue;
    if (p.fallback.empty()) return fail(kUsage, op->name + ": не задан обязательный параметр " + p.name + " (" + describe(p) + ")");
    values.text[p.name] = p.fallback;
  }
  const std::string& in = args[args.size() - 2];
  const std::string& out = args.back();
  const PictureFormat outFormat = formatForExtension(out);
  if (outFormat == PictureFormat::Unknown) {
    return fail(kUsage, "не удаётся определить формат по имени «" + out + "»; возможны расширения jpg, png, tif, gif, bmp, pcx, ico, cur, tga, ppm");
  }

  DecodedPicture picture;
  try {
    picture = readPicture(in);
  } catch (const ImagingError& e) {
    return fail(kCannotRead, e.what());
  }
  if (picture.incomplete) std::cerr << "virmeya-cli: предупреждение: «" << in << "»: " << picture.warning << '\n';
  try {
    op->run(picture.bitmap, values);
  } catch (const ImagingError& e) {
    return fail(e.kind() == ImagingErrorKind::TooLarge || e.kind() == ImagingErrorKind::InvalidArgument ? kUsage : kCannotRead,
                op->name + ": " + e.what());
  }
  if (picture.bitmap.hasAlpha() && !keepsAlpha(outFormat)) flattenAlphaOntoWhite(picture.bitmap);
  try {
    writePicture(picture.bitmap, out);
  } catch (const ImagingError& e) {
    return fail(kCannotWrite, e.what());
  }
  return kOk;
}

const CommandRegistration registration{
    {"op", "ИМЯ [ключ=значение ...] ВХОД ВЫХОД | --list",
     "выполняет одну операцию обработки над изображением (список операций и параметров: op --list)", runOp}};

}  // namespace
}  // namespace virmeya::cli
