// The Effects page: processing area and opacity, the seven category tabs with their selectors,
// thumbnail strips and parameter panels, and the buttons OK, "Отмена" and "Настройка". The strips are
// computed on worker threads and fill one thumbnail at a time; the state lives in EffectsTool.
#pragma once

#include <QImage>
#include <QThreadPool>
#include <QWidget>

#include <array>
#include <atomic>
#include <functional>
#include <map>

#include "workspace/effects_tool.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QPushButton;
class QSlider;
class QStackedWidget;

namespace virmeya {

class FilterSetupDialog;
class EffectCatalogueDialog;
class MainWindow;
class ThumbnailStrip;

class EffectsPage : public QWidget {
  Q_OBJECT

 public:
  explicit EffectsPage(Studio& studio, QWidget* parent = nullptr);
  ~EffectsPage() override;

  EffectsTool& tool() { return tool_; }
  ThumbnailStrip* strip(int category) const { return strips_[static_cast<std::size_t>(category)]; }
  // Thumbnails of the current fill not yet shown.
  int pendingThumbnails() const { return pending_; }
  FilterSetupDialog* setupDialog() const { return setupDialog_; }
  EffectCatalogueDialog* catalogueDialog() const { return catalogue_; }

  // Messages (an effect that could not be applied) go to a box, or here when set (tests).
  void setMessageSink(std::function<void(const QString&)> sink) { messageSink_ = std::move(sink); }

  // The page's commands.
  void applyEffect();        // OK, a double click on a thumbnail
  void openSetupDialog();    // "Настройка"
  void openCatalogue();      // toolbar and menu "Каталог эффектов"

 signals:
  void stripFilled(int category);  // every thumbnail of the current fill is shown

 private:
  void buildCategory(int category, QWidget* page);
  QWidget* buildPanel(const QString& name);
  void bindToWindow();
  void fillWhenIdle();
  void fillStrip(int category, int item);
  void thumbnailDone(quint64 generation, int category, int index, const QImage& picture, const QString& error);
  void syncFromModel();
  void report(const QString& message);

  Studio& studio_;
  EffectsTool& tool_;
  QComboBox* areaBox_ = nullptr;
  QCheckBox* opasCheck_ = nullptr;
  QSlider* opasBar_ = nullptr;
  QButtonGroup* tabButtons_ = nullptr;
  QStackedWidget* tabPages_ = nullptr;
  QPushButton* okFilter_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* butSetup_ = nullptr;
  std::array<QComboBox*, kCategoryCount> selectors_{};
  std::array<ThumbnailStrip*, kCategoryCount> strips_{};
  std::array<QStackedWidget*, kCategoryCount> stripAreas_{};
  std::map<QString, QWidget*> panels_;
  std::map<QString, QWidget*> controls_;  // every panel control by its name
  FilterSetupDialog* setupDialog_ = nullptr;
  EffectCatalogueDialog* catalogue_ = nullptr;
  std::function<void(const QString&)> messageSink_;
  bool syncing_ = false;
  bool applying_ = false;

  // Thumbnail computing: a new fill raises the generation; jobs of an older one do nothing.
  QThreadPool pool_;
  std::shared_ptr<std::atomic<quint64>> generation_;
  int pending_ = 0;
  bool stripErrorShown_ = false;
};

}  // namespace virmeya
