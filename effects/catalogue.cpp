// The catalogue tables: categories, effects, strips, panels, settings pages and routines.
#include "effects/catalogue.h"

#include <array>
#include <stdexcept>

#include "effects/family_routines.h"

namespace virmeya {

namespace {

using namespace routines;
using S = SetupPage;

// ---- "Цветовые"
constexpr std::array<std::string_view, 5> kColourCaptions = {"Цветовой тон", "Колоризация", "Градиенты",
                                                             "Насыщенность", "Соляризация"};
const std::array<EffectItem, 5> kColour = {{
    {"Цветовой тон", 14, "", S::None, "AdjustTint 30·j − 195°", "AdjustTint 30·a − 195°", false,
     tintThumbnail, tintApply},
    {"Колоризация", 14, "", S::None, "Colorize hue 30·j − 195, saturation 10·j + 20, lightness 1.5",
     "Colorize hue 30·a − 195, saturation 10·a + 20, lightness 1.5", false, colorizeThumbnail, colorizeApply},
    {"Градиенты", 14, "", S::Gradient, "GradientEffect j, thumbnail",
     "GradientNat ? OffsetTintEffect a, Gradients, 80 : GradientEffect a", true, gradientThumbnail,
     gradientApply},
    {"Насыщенность", 14, "", S::None, "AdjustSaturation 20·j − 100", "AdjustSaturation 20·a − 100", false,
     saturationThumbnail, saturationApply},
    {"Соляризация", 14, "", S::None, "SolarizeEffect step 10·j + 20, thumbnail", "SolarizeEffect step 10·a + 20",
     true, solarizeThumbnail, solarizeApply},
}};

// ---- "Световые"
constexpr std::array<std::string_view, 5> kLightCaptions = {"Ночные свечения", "Обычное освещение",
                                                            "Особое освещение", "Освещение разных цветов",
                                                            "Прожекторы и вспышки"};
const std::array<EffectItem, 5> kLight = {{
    {"Ночные свечения", 18, "", S::Night, "NightGlowEffect j, thumbnail, 1, 80",
     "NightGlowEffect a, DarkAllBrid, DarkBrid", false, nullptr, nullptr},
    {"Обычное освещение", 14, "", S::Lights, "LightEffect mode 0, thumbnail, Lights, 50, j",
     "LightEffect SvetMode, Lights, SvetBrid, a", false, nullptr, nullptr},
    {"Особое освещение", 14, "", S::Lights, "LightEffect mode 0, thumbnail, SpecLights, 50, j",
     "LightEffect SvetMode, SpecLights, SvetBrid, a", false, nullptr, nullptr},
    {"Освещение разных цветов", 14, "", S::ColorLights, "ColorLightEffect j, thumbnail, 0",
     "ColorNat ? OffsetTintEffect a, ColorLights, 80 : ColorLightEffect a, ColorBrid", true, nullptr,
     colorLightsApply},
    {"Прожекторы и вспышки", 14, "", S::Spot, "SpotLightEffect j, thumbnail, 1, 110",
     "SpotLightEffect a, SpotBrid, SpotDark", true, nullptr, nullptr},
}};

// ---- "Геометрические"
constexpr std::array<std::string_view, 3> kGeometricCaptions = {"Рыбий глаз", "Закручивание", "Эффект волны"};
const std::array<EffectItem, 3> kGeometric = {{
    {"Рыбий глаз", 16, "", S::None, "FishEyeEffect j + 1, thumbnail", "FishEyeEffect a + 1", false, nullptr, nullptr},
    {"Закручивание", 16, "", S::None, "TwirlEffect j, thumbnail", "TwirlEffect a", false, nullptr, nullptr},
    {"Эффект волны", 16, "", S::None, "Wave round(w / (j + 10)), round(w / (2·j + 1.2)), 0, 1",
     "Wave round(W / (a + 20)), round(W / (2·a + 1.4)), 0, 0", false, nullptr, nullptr},
}};

// ---- "Базовые"
constexpr std::array<std::string_view, 5> kBasicCaptions = {"Яркость и контраст", "Баланс белого",
                                                            "Отражение и поворот", "Эффект размытия",
                                                            "Эффект шума"};
const std::array<EffectItem, 5> kBasic = {{
    {"Яркость и контраст", 12, "", S::None, "BrightnessContrastEffect j", "BrightnessContrastEffect a", false,
     nullptr, nullptr},
    {"Баланс белого", 12, "", S::None, "WhiteBalance_coef 1.7 − j/15, 1.4 − j/30, j/25 + 1",
     "WhiteBalance_coef 1.7 − a/15, 1.4 − a/30, a/25 + 1", false, nullptr, nullptr},
    {"Отражение и поворот", 8, "", S::None, "MirrorRotateEffect j, thumbnail", "MirrorRotateEffect a", false,
     nullptr, nullptr},
    {"Эффект размытия", 0, "BlurPana", S::None, "", "BlurEffect BlurVal, DeFoc", false, nullptr, nullptr},
    {"Эффект шума", 0, "NoisePana", S::None, "", "NoiseEffect NoiseLev, NoiseW/NoiseB/NoiseC", false, nullptr,
     nullptr},
}};

// ---- "Составные"
constexpr std::array<std::string_view, 4> kCompositeCaptions = {"Мозаика", "Стиль кубизм", "Комбинации",
                                                                "Мульти-фото"};
const std::array<EffectItem, 4> kComposite = {{
    {"Мозаика", 0, "MosPanel", S::None, "", "MosaicOrCubism mode 1, MosPanel", false, nullptr, nullptr},
    {"Стиль кубизм", 0, "CubPanel", S::None, "", "MosaicOrCubism mode 2, CubPos", false, nullptr, nullptr},
    {"Комбинации", 12, "", S::None, "CombinationsEffect j, thumbnail", "CombinationsEffect a", false, nullptr,
     nullptr},
    {"Мульти-фото", 12, "", S::None, "MultiPhotoEffect j + 1, thumbnail", "MultiPhotoEffect a + 1", false,
     nullptr, nullptr},
}};

// ---- "Стилизация"
constexpr std::array<std::string_view, 7> kStylisationCaptions = {
    "Старинная фотография", "Эффект гравюры", "Неровная поверхность", "Рисунок карандашом",
    "Выжигание по дереву", "Книжная иллюстрация", "Светящиеся контуры"};
const std::array<EffectItem, 7> kStylisation = {{
    {"Старинная фотография", 12, "", S::None, "OldPhotoEffect j, thumbnail", "OldPhotoEffect a", false, nullptr,
     nullptr},
    {"Эффект гравюры", 12, "", S::None, "EngravingEffect j, thumbnail", "EngravingEffect a", false, nullptr,
     nullptr},
    {"Неровная поверхность", 12, "", S::None, "UnevenSurfaceEffect j, thumbnail, DarkAllBrid, DarkBrid",
     "UnevenSurfaceEffect a, DarkAllBrid, DarkBrid", false, nullptr, nullptr},
    {"Рисунок карандашом", 0, "PenPan", S::None, "", "PencilDrawing PenPan", false, nullptr, nullptr},
    {"Выжигание по дереву", 0, "FirePan", S::None, "", "WoodBurning FirePan", false, nullptr, nullptr},
    {"Книжная иллюстрация", 0, "ComixPanel", S::None, "",
     "BookIllustration ComxHue, ComxBrid + 120, ComxCont, ComxMono, ComxObvod", false, nullptr, nullptr},
    {"Светящиеся контуры", 0, "GlowSPanel", S::None, "", "GlowingContours SGlowCont, SGlowSoft", false, nullptr,
     nullptr},
}};

// ---- "Природные"
constexpr std::array<std::string_view, 4> kNaturalCaptions = {"Луна и звёзды", "Дождь, снег и облака",
                                                              "Огонь и молнии", "Ночной эффект"};
const std::array<EffectItem, 4> kNatural = {{
    {"Луна и звёзды", 12, "", S::Stars, "StarsEffect j, thumbnail, 1, 80", "StarsEffect a, StarsBrid, StarsDark",
     false, nullptr, nullptr},
    {"Дождь, снег и облака", 12, "", S::Atmos, "AtmosphereEffect j, thumbnail", "AtmosphereEffect a, AtmDark",
     false, nullptr, nullptr},
    {"Огонь и молнии", 12, "", S::Atmos, "FireLightEffect j, thumbnail, AtmDark", "FireLightEffect a, AtmDark",
     false, nullptr, nullptr},
    {"Ночной эффект", 12, "", S::None, "NightEffect j", "NightEffect a", false, nullptr, nullptr},
}};

const std::array<EffectCategory, kCategoryCount> kCategories = {{
    {"Цветовые", "ColorModa", "ColorPR", kColour, kColourCaptions},
    {"Световые", "SvetoModa", "SvetaPR", kLight, kLightCaptions},
    {"Геометрические", "GeomModa", "GeomPR", kGeometric, kGeometricCaptions},
    {"Базовые", "BasaModa", "BasaPR", kBasic, kBasicCaptions},
    {"Составные", "CompModa", "CompPR", kComposite, kCompositeCaptions},
    {"Стилизация", "StyleModa", "StylePR", kStylisation, kStylisationCaptions},
    {"Природные", "NaturModa", "NaturPR", kNatural, kNaturalCaptions},
}};

constexpr std::array<EffectsMenuEntry, 10> kMenu = {{
    {"Базовые", kBasicCategory},
    {"Цветовые", kColourCategory},
    {"Световые", kLightCategory},
    {"", -1},
    {"Геометрические", kGeometricCategory},
    {"Стилизация", kStylisationCategory},
    {"Составные", kCompositeCategory},
    {"Природные", kNaturalCategory},
    {"", -1},
    {"Каталог эффектов", -1},
}};

// "Cветовые" begins with a Latin C on the catalogue's button, as it always has.
constexpr std::array<CatalogueButton, 8> kCatalogue = {{
    {"Cветовые", kLightCategory},
    {"Цветовые", kColourCategory},
    {"Базовые", kBasicCategory},
    {"Геометрические", kGeometricCategory},
    {"Составные", kCompositeCategory},
    {"Стилизация", kStylisationCategory},
    {"Природные", kNaturalCategory},
    {"Монтаж", -1},
}};

}  // namespace

std::span<const EffectCategory> effectCategories() { return kCategories; }

const EffectCategory& effectCategory(int category) {
  if (category < 0 || category >= kCategoryCount) throw std::out_of_range("нет такой категории эффектов");
  return kCategories[static_cast<std::size_t>(category)];
}

const EffectItem& effectItem(int category, int item) {
  const EffectCategory& c = effectCategory(category);
  if (item < 0 || item >= static_cast<int>(c.items.size())) throw std::out_of_range("нет такого эффекта");
  return c.items[static_cast<std::size_t>(item)];
}

std::span<const EffectsMenuEntry> effectsMenuEntries() { return kMenu; }
std::span<const CatalogueButton> catalogueButtons() { return kCatalogue; }

SetupPage setupPageFor(int category, int item) {
  if (category < 0 || category >= kCategoryCount) return SetupPage::None;
  const EffectCategory& c = kCategories[static_cast<std::size_t>(category)];
  if (item < 0 || item >= static_cast<int>(c.items.size())) return SetupPage::None;
  return c.items[static_cast<std::size_t>(item)].setupPage;
}

}  // namespace virmeya
