// "Каталог эффектов": eight picture buttons that lead to an effect category or to the Montage page.
#pragma once

#include <QDialog>

class QToolButton;

namespace virmeya {

class EffectsTool;

class EffectCatalogueDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidth = 760, kHeight = 408;
  static constexpr int kButtonWidth = 177, kButtonHeight = 153, kPictureWidth = 150;

  EffectCatalogueDialog(EffectsTool& tool, QWidget* parent = nullptr);

  // The button at catalogue position `index` (row by row), 0 … 7.
  QToolButton* button(int index) const;

 private:
  EffectsTool& tool_;
};

}  // namespace virmeya
