// The Effects page's control table.
#include "effects/effects_panel.h"

#include <array>

#include "effects/catalogue.h"

namespace virmeya {

namespace {

using C = Control<EffectsPanel>;
using P = EffectsPanel;
using K = ControlKind;

constexpr std::array<std::string_view, 7> kAreas = {"Полностью", "Верхнюю часть", "Нижнюю часть", "Центр",
                                                    "Овал по центру", "Границы", "Границы с контуром"};
constexpr std::array<std::string_view, 7> kTabs = {"Цветовые", "Световые", "Геометрические", "Базовые",
                                                   "Составные", "Стилизация", "Природные"};
constexpr std::array<std::string_view, 3> kPencils = {"Один карандаш", "Шесть карандашей", "Набор 12 карандашей"};
constexpr std::array<std::string_view, 5> kComixPresets = {"Стандартная", "Ультра-яркая", "Светлые тона",
                                                           "Чёрно-белая", "С обводкой"};

// The selectors' item lists come from the catalogue (filled in on first use).
const std::array<C, 43>& table() {
  static const std::array<C, 43> t = [] {
    auto sel = [](int category) { return effectCategory(category).itemCaptions; };
    auto maxItem = [](int category) { return static_cast<int>(effectCategory(category).itemCaptions.size()) - 1; };
    return std::array<C, 43>{{
        {"AreaBox", "Обрабатывать", K::Choice, 0, 6, 0, &P::areaBox, nullptr, "page", {}, kAreas},
        {"OpasCheck", "Прозрачность", K::Check, 0, 1, 0, nullptr, &P::opasCheck, "page"},
        {"OpasBar", "Прозрачность", K::Slider, 0, 255, 0, &P::opasBar, nullptr, "page"},
        {"MegaTabs", "", K::Choice, 0, 6, 0, &P::megaTabs, nullptr, "page", {}, kTabs},
        {"ColorModa", "", K::Choice, 0, maxItem(0), 0, &P::colorModa, nullptr, "page", {}, sel(0)},
        {"SvetoModa", "", K::Choice, 0, maxItem(1), 0, &P::svetoModa, nullptr, "page", {}, sel(1)},
        {"GeomModa", "", K::Choice, 0, maxItem(2), 0, &P::geomModa, nullptr, "page", {}, sel(2)},
        {"BasaModa", "", K::Choice, 0, maxItem(3), 0, &P::basaModa, nullptr, "page", {}, sel(3)},
        {"CompModa", "", K::Choice, 0, maxItem(4), 0, &P::compModa, nullptr, "page", {}, sel(4)},
        {"StyleModa", "", K::Choice, 0, maxItem(5), 0, &P::styleModa, nullptr, "page", {}, sel(5)},
        {"NaturModa", "", K::Choice, 0, maxItem(6), 0, &P::naturModa, nullptr, "page", {}, sel(6)},
        {"BlurVal", "Уровень", K::Slider, 2, 25, 2, &P::blurVal, nullptr, "BlurPana"},
        {"DeFoc", "Расфокусировка", K::Check, 0, 1, 1, nullptr, &P::deFoc, "BlurPana"},
        {"NoiseLev", "Уровень", K::Slider, 2, 225, 45, &P::noiseLev, nullptr, "NoisePana"},
        {"NoiseW", "Белый", K::Radio, 0, 1, 1, nullptr, &P::noiseW, "NoisePana", "noise"},
        {"NoiseB", "Чёрный", K::Radio, 0, 1, 0, nullptr, &P::noiseB, "NoisePana", "noise"},
        {"NoiseC", "Цветной", K::Radio, 0, 1, 0, nullptr, &P::noiseC, "NoisePana", "noise"},
        {"MosEl", "Элементы", K::Slider, 1, 50, 40, &P::mosEl, nullptr, "MosPanel"},
        {"MosCont", "Контуры", K::Slider, 0, 10, 1, &P::mosCont, nullptr, "MosPanel"},
        {"MosQ", "Квадрат", K::Radio, 0, 1, 0, nullptr, &P::mosQ, "MosPanel", "cells"},
        {"MosR", "Ромб", K::Radio, 0, 1, 0, nullptr, &P::mosR, "MosPanel", "cells"},
        {"MosSe", "Шестиугольник", K::Radio, 0, 1, 1, nullptr, &P::mosSe, "MosPanel", "cells"},
        {"MosAA", "Сглаживание контуров", K::Check, 0, 1, 1, nullptr, &P::mosAA, "MosPanel"},
        {"PodSvet", "Эффект подсветки", K::Check, 0, 1, 1, nullptr, &P::podSvet, "MosPanel"},
        {"CubPos", "Детализация", K::Slider, 5, 400, 200, &P::cubPos, nullptr, "CubPanel"},
        {"Pencils", "Рисование", K::Choice, 0, 2, 0, &P::pencils, nullptr, "PenPan", {}, kPencils},
        {"PenDBrid", "Прорисовка", K::Slider, 2, 95, 50, &P::penDBrid, nullptr, "PenPan"},
        {"PenCola", "Цвет линии", K::Colour, 0, 0xFFFFFF, 0x000080, &P::penCola, nullptr, "PenPan"},
        {"PenDColor", "Цвет", K::Radio, 0, 1, 1, nullptr, &P::penDColor, "PenPan", "canvas"},
        {"PenDText", "Текстура", K::Radio, 0, 1, 0, nullptr, &P::penDText, "PenPan", "canvas"},
        {"PenDSt", "Однотонная штриховка областей", K::Radio, 0, 1, 0, nullptr, &P::penDSt, "PenPan", "canvas"},
        {"ZalCola", "", K::Colour, 0, 0xFFFFFF, 0xFFFFFF, &P::zalCola, nullptr, "PenPan"},
        {"WoodBrid", "Яркость", K::Slider, 2, 95, 50, &P::woodBrid, nullptr, "FirePan"},
        {"NaDav", "Имитация надавливания", K::Check, 0, 1, 0, nullptr, &P::naDav, "FirePan"},
        {"WoodBase", "", K::Slider, -1, 9999, -1, &P::woodBase, nullptr, "FirePan"},
        {"ComixPreset", "Пресет", K::Choice, 0, 4, 0, &P::comixPreset, nullptr, "ComixPanel", {}, kComixPresets},
        {"ComxBrid", "Яркость", K::Slider, -100, 100, 0, &P::comxBrid, nullptr, "ComixPanel"},
        {"ComxHue", "Краски", K::Slider, -100, 100, 2, &P::comxHue, nullptr, "ComixPanel"},
        {"ComxMono", "Чёрно-белое изображение", K::Check, 0, 1, 0, nullptr, &P::comxMono, "ComixPanel"},
        {"ComxCont", "Краски", K::Slider, -100, 100, 2, &P::comxCont, nullptr, "ComixPanel"},
        {"ComxObvod", "Обводить контуры", K::Check, 0, 1, 0, nullptr, &P::comxObvod, "ComixPanel"},
        {"SGlowCont", "Яркость", K::Slider, -200, 200, 2, &P::sGlowCont, nullptr, "GlowSPanel"},
        {"SGlowSoft", "Мягкие контуры", K::Check, 0, 1, 0, nullptr, &P::sGlowSoft, "GlowSPanel"},
    }};
  }();
  return t;
}

}  // namespace

std::span<const Control<EffectsPanel>> effectsPanelControls() { return table(); }

int EffectsPanel::selectorIndex(int category) const noexcept {
  switch (category) {
    case 0: return colorModa;
    case 1: return svetoModa;
    case 2: return geomModa;
    case 3: return basaModa;
    case 4: return compModa;
    case 5: return styleModa;
    case 6: return naturModa;
  }
  return 0;
}

void EffectsPanel::setSelectorIndex(int category, int item) noexcept {
  switch (category) {
    case 0: colorModa = item; break;
    case 1: svetoModa = item; break;
    case 2: geomModa = item; break;
    case 3: basaModa = item; break;
    case 4: compModa = item; break;
    case 5: styleModa = item; break;
    case 6: naturModa = item; break;
  }
}

}  // namespace virmeya
