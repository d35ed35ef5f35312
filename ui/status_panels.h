// StatusPanels: the status bar Stata — three panels (hint, photo size, zoom) and the progress bar WAIT
// that covers all of them while the view reports progress.
#pragma once

#include <QStatusBar>

#include <array>

class QLabel;
class QProgressBar;

namespace virmeya {

class StatusPanels : public QStatusBar {
  Q_OBJECT

 public:
  static constexpr std::array<int, 3> kPanelWidths{620, 150, 50};

  explicit StatusPanels(QWidget* parent = nullptr);

  QLabel* panel(int index) const { return panels_.at(static_cast<std::size_t>(index)); }
  QProgressBar* progressBar() const { return wait_; }
  void setPanelText(int index, const QString& text);
  // Shows WAIT at `percent`; 100 returns it to 0 and hides it.
  void setProgress(int percent);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void layoutPanels();

  std::array<QLabel*, 3> panels_{};
  QProgressBar* wait_ = nullptr;
};

}  // namespace virmeya
