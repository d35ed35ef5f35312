// MainWindow: the whole workspace — menus, toolbar, the side panel with the five pages, the view and
// the status bar. It forwards every command to the Studio model and reflects the model's state.
#pragma once

#include <QMainWindow>
#include <QMessageBox>

#include <functional>

#include "workspace/studio.h"

class QAbstractButton;
class QAction;
class QButtonGroup;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSlider;
class QStackedWidget;
class QStatusBar;
class QTimer;
class QToolButton;
class QVBoxLayout;
class QHBoxLayout;

namespace virmeya {

class ImageView;
class OpenPage;
class StatusPanels;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kToolbarHeight = 81;
  static constexpr int kToolButtonSize = 65;
  static constexpr int kSidePanelWidth = 337;
  static constexpr int kViewPanelHeight = 40;
  static constexpr int kStartupDelayMs = 100;

  explicit MainWindow(Studio& studio, QWidget* parent = nullptr);
  ~MainWindow() override;

  Studio& studio() { return studio_; }
  ImageView* view() const { return imaga_; }

  // Arms the deferred start-up step: after kStartupDelayMs of a running event loop it runs the
  // start-up hooks (catalogues), shows the window once, complete, and opens `photo` when given.
  void start(const QString& photo = {});
  // Work that must be done before the window first shows (filled by later parts of the program).
  void addStartupHook(std::function<void()> hook) { startupHooks_.push_back(std::move(hook)); }
  bool started() const { return started_; }

  // The menu item or command with that object name (menus are built from one table).
  QAction* command(const QString& name) const;
  // Connects a command to its handler and makes it available (commands without one stay disabled).
  void bindCommand(const QString& name, std::function<void()> handler);

  // The open dialog and the message boxes, replaceable so that tests run without modal windows.
  void setOpenDialog(std::function<QString()> dialog) { openDialog_ = std::move(dialog); }
  void setMessageSink(std::function<void(QMessageBox::Icon, const QString&)> sink) { messageSink_ = std::move(sink); }

  // Commands of the window (also reachable from menus, toolbar and panels).
  void openPhotoFromDialog();
  void openPhoto(const QString& path);
  void openSelectedRecent();
  void setProgress(int percent);  // the view's progress: WAIT shown until 100
  void setSidePanelLeft(bool left);
  void setViewPanelTop(bool top);

  // Brings every control in line with the model (enabled states, captions, texts, visibility).
  void refresh();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  void buildToolbar(QVBoxLayout* outer);
  void buildViewPanel();
  void connectStudio();
  void bindCommands();
  void reportOpen(const OpenResult& result, bool panelWasShown);
  void refitAfterPanelChange(bool panelWasShown);
  void showMessage(QMessageBox::Icon icon, const QString& text);
  void refreshHistory();
  void refreshCommandStates();
  void refreshStatus();
  void syncZoomSlider();
  void pushViewSize();
  void deferredStartup();

  Studio& studio_;
  std::function<QString()> openDialog_;
  std::function<void(QMessageBox::Icon, const QString&)> messageSink_;
  std::vector<std::function<void()>> startupHooks_;
  QString startupPhoto_;
  bool started_ = false;

  QTimer* tima_ = nullptr;
  QFrame* sPanel1_ = nullptr;
  QButtonGroup* pageButtons_ = nullptr;
  QHBoxLayout* body_ = nullptr;
  QFrame* sPanel2_ = nullptr;
  QStackedWidget* megaTab_ = nullptr;
  QComboBox* moda_ = nullptr;
  OpenPage* openPage_ = nullptr;
  QWidget* panel1_ = nullptr;
  QVBoxLayout* workLayout_ = nullptr;
  ImageView* imaga_ = nullptr;
  QFrame* viewPana_ = nullptr;
  QSlider* isc_ = nullptr;
  QPushButton* undoB_ = nullptr;
  QPushButton* redoB_ = nullptr;
  QToolButton* viewButa_ = nullptr;
  QToolButton* viewDButa_ = nullptr;
  StatusPanels* stata_ = nullptr;
};

}  // namespace virmeya
