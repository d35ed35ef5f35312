// The state of the Effects page's controls: the processing area, the opacity, the category and
// selector positions and every parameter panel, with its table of (name, range, initial value).
#pragma once

#include <span>

#include "effects/controls.h"

namespace virmeya {

// AreaBox items.
enum class ProcessingArea : int {
  Whole = 0,         // "Полностью"
  Upper = 1,         // "Верхнюю часть"
  Lower = 2,         // "Нижнюю часть"
  Centre = 3,        // "Центр"
  Oval = 4,          // "Овал по центру"
  Borders = 5,       // "Границы"
  BordersContour = 6 // "Границы с контуром"
};
inline constexpr int kAreaCount = 7;

struct EffectsPanel {
  // the page
  int areaBox = 0;
  bool opasCheck = false;
  int opasBar = 0;
  int megaTabs = 0;
  // the effect selectors of the seven categories
  int colorModa = 0, svetoModa = 0, geomModa = 0, basaModa = 0, compModa = 0, styleModa = 0, naturModa = 0;
  // BlurPana
  int blurVal = 2;
  bool deFoc = true;
  // NoisePana
  int noiseLev = 45;
  bool noiseW = true, noiseB = false, noiseC = false;
  // MosPanel
  int mosEl = 40;
  int mosCont = 1;
  bool mosQ = false, mosR = false, mosSe = true;
  bool mosAA = true;
  bool podSvet = true;
  // CubPanel
  int cubPos = 200;
  // PenPan
  int pencils = 0;
  int penDBrid = 50;
  int penCola = 0x000080;  // navy
  bool penDColor = true, penDText = false, penDSt = false;
  int zalCola = 0xFFFFFF;  // white
  // FirePan
  int woodBrid = 50;
  bool naDav = false;
  int woodBase = -1;       // selected wood texture, −1 when none
  // ComixPanel
  int comixPreset = 0;
  int comxBrid = 0;
  int comxHue = 2;
  bool comxMono = false;
  int comxCont = 2;
  bool comxObvod = false;
  // GlowSPanel
  int sGlowCont = 2;
  bool sGlowSoft = false;

  ProcessingArea area() const noexcept { return static_cast<ProcessingArea>(areaBox); }
  // OpasCheck is enabled only for "Полностью"; OpasBar only then and while OpasCheck is checked.
  bool opasCheckEnabled() const noexcept { return areaBox == 0; }
  bool opasBarEnabled() const noexcept { return areaBox == 0 && opasCheck; }
  // The opacity blend runs only when OpasCheck is enabled and checked and OpasBar is above 0.
  bool opacityActive() const noexcept { return opasCheckEnabled() && opasCheck && opasBar > 0; }
  // The selector position of category 0..6.
  int selectorIndex(int category) const noexcept;
  void setSelectorIndex(int category, int item) noexcept;
  // PenDColorClick: LoadPText enabled only with PenDText, ZalCola only with PenDColor.
  bool loadPTextEnabled() const noexcept { return penDText; }
  bool zalColaEnabled() const noexcept { return penDColor; }
};

std::span<const Control<EffectsPanel>> effectsPanelControls();

}  // namespace virmeya
