// The Effects page: categories, thumbnails, Apply (page of MegaTab).
#pragma once

#include "ui/placeholder_page.h"

namespace virmeya {

class Studio;

class EffectsPage : public PlaceholderPage {
  Q_OBJECT

 public:
  explicit EffectsPage(Studio& studio, QWidget* parent = nullptr);
};

}  // namespace virmeya
