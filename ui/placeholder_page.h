// A side-panel page that so far shows only its header; each page's own file replaces it with its tools.
#pragma once

#include <QWidget>

namespace virmeya {

class PlaceholderPage : public QWidget {
  Q_OBJECT

 public:
  PlaceholderPage(const QString& objectName, const QString& header, QWidget* parent = nullptr);
};

}  // namespace virmeya
