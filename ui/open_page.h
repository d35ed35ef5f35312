// The Open page (page 0 of MegaTab): links, the recent photos strip and the processing-mode buttons.
#pragma once

#include <QWidget>

#include "workspace/studio.h"

class QFrame;
class QLabel;
class QPushButton;

namespace virmeya {

class ThumbnailStrip;

class OpenPage : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kModeButtonWidth = 145;

  explicit OpenPage(QWidget* parent = nullptr);

  ThumbnailStrip* recentStrip() const { return recentPhoto_; }
  QPushButton* openSelectedButton() const { return openSelected_; }
  QFrame* modePanel() const { return mainModa_; }
  // Refills the strip with `files` (the strip decodes them off the user-interface thread).
  void setRecentFiles(const QStringList& files, int selected);

 signals:
  void openNewFileRequested();
  void helpRequested();
  void siteRequested();
  void openSelectedRequested();
  void recentSelected(int index);
  void modeRequested(virmeya::Page page);

 private:
  ThumbnailStrip* recentPhoto_ = nullptr;
  QPushButton* openSelected_ = nullptr;
  QFrame* mainModa_ = nullptr;
  QStringList shownFiles_;
};

}  // namespace virmeya
