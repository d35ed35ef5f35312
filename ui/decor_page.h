// The Decor page: frames, masks, borders, decorations and captions (page of MegaTab).
#pragma once

#include "ui/placeholder_page.h"

namespace virmeya {

class Studio;

class DecorPage : public PlaceholderPage {
  Q_OBJECT

 public:
  explicit DecorPage(Studio& studio, QWidget* parent = nullptr);
};

}  // namespace virmeya
