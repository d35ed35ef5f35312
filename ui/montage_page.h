// The Montage page: overlay montage and collages (page of MegaTab).
#pragma once

#include "ui/placeholder_page.h"

namespace virmeya {

class Studio;

class MontagePage : public PlaceholderPage {
  Q_OBJECT

 public:
  explicit MontagePage(Studio& studio, QWidget* parent = nullptr);
};

}  // namespace virmeya
