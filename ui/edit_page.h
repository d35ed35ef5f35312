// The Edit page: brightness, hue, balance, rotation and cropping (page of MegaTab).
#pragma once

#include "ui/placeholder_page.h"

namespace virmeya {

class Studio;

class EditPage : public PlaceholderPage {
  Q_OBJECT

 public:
  explicit EditPage(Studio& studio, QWidget* parent = nullptr);
};

}  // namespace virmeya
