// Studio: the headless model of the main window — the document, the one-step history, the pages with
// their keep-or-drop rule, opening photos, the recent list, the view's zoom and the status-bar texts.
// The window forwards clicks here and reflects the state; macros and tests drive the same object.
#pragma once

#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <filesystem>

#include "imaging/bitmap.h"
#include "imaging/layered_image.h"

namespace virmeya {

// The five pages of the side panel, in MegaTab order.
enum class Page : int { Open = 0, Edit = 1, Effects = 2, Montage = 3, Decor = 4 };
inline constexpr int kPageCount = 5;
// Macro words of the pages: "open", "edit", "effects", "montage", "decor".
const char* pageWord(Page page);
// Page for a macro word; false when the word names no page.
bool pageFromWord(const QString& word, Page* page);

// The processing modes (the hidden list Moda). Only the first two are ever selected.
inline constexpr int kModeOpenPhoto = 0;
inline constexpr int kModeEditing = 1;
extern const std::array<const char*, 12> kModeNames;

// What a drag on the view does.
enum class MouseMode { Scroll, SelectRectangle, MoveLayers };

// Captions an undoable operation gives the Undo menu item.
namespace undo_caption {
inline constexpr const char* kEdit = "Отменить редактирование";
inline constexpr const char* kCrop = "Отменить кадрирование";
inline constexpr const char* kMirror = "Отменить зеркальное отражение";
inline constexpr const char* kFlipVertical = "Отменить вертикальное отражение";
inline constexpr const char* kMonochrome = "Отменить монохромный эффект";
inline constexpr const char* kSharpen = "Отменить повышение резкости";
inline constexpr const char* kShadow = "Отменить добавление тени";
inline constexpr const char* kResize = "Отменить изменение размера";
inline constexpr const char* kDecorate = "Отменить оформление фотографии";
inline constexpr const char* kAutoEnhance = "Отменить автоматическое улучшение";
inline constexpr const char* kRevert = "Отменить возврат к исходному";
inline constexpr const char* kEffect = "Отменить применение эффекта";
inline constexpr const char* kFrame = "Отменить наложение рамки";
inline constexpr const char* kMask = "Отменить наложение маски";
inline constexpr const char* kBorders = "Отменить границы";
inline constexpr const char* kDecorations = "Отменить добавление украшений";
inline constexpr const char* kCaption = "Отменить добавление текста";
inline constexpr const char* kMontage = "Отменить монтаж фотографии";
}  // namespace undo_caption

inline constexpr const char* kUndoWord = "Отменить";   // 8 letters
inline constexpr const char* kRedoWord = "Повторить";  // 9 letters
inline constexpr const char* kStartHint =
    "Выберите фотографию для оформления. Масштаб изображения регулируется колесом прокрутки.";
inline constexpr const char* kOpenedHint =
    "Теперь можно отредактировать фотографию или сразу приступить к оформлению";
inline constexpr const char* kEditHint = "Редактирование фотографии";
inline constexpr const char* kOpenFailed = "Не удалось открыть файл";
inline constexpr const char* kRecentFileName = "Recent.lst";
inline constexpr int kRecentMax = 9;
inline constexpr int kEditPreviewWidth = 220;
inline constexpr Bgr kDefaultBackground{128, 128, 128};

// Outcome of opening a photo (and of a revert's reload).
struct OpenResult {
  enum class Status { Opened, Incomplete, Failed, Cancelled };
  Status status = Status::Cancelled;
  // Failed: "Не удалось открыть файл: <reason>". Incomplete: the one-time notice that part of the
  // picture is missing. Empty otherwise. The window shows it in a message box.
  QString message;
  bool ok() const { return status == Status::Opened || status == Status::Incomplete; }
};

// Outcome of writing a picture.
struct SaveResult {
  bool ok = false;
  QString message;  // the reason when not ok
};

// How an undoable operation ends.
struct UndoableOptions {
  bool commit = true;               // CommittedImage := layer 0 (false for previews still to accept)
  bool refreshEditPreview = false;  // rebuild the Edit preview when the mode is "Редактирование"
};

class Studio : public QObject {
  Q_OBJECT

 public:
  explicit Studio(QObject* parent = nullptr);
  ~Studio() override;

  // ---- the document and the working images
  LayeredImage& image() { return image_; }
  const LayeredImage& image() const { return image_; }
  const Bitmap& committedImage() const { return committedImage_; }
  const Bitmap& undoImage() const { return undoImage_; }
  const Bitmap& redoImage() const { return redoImage_; }
  // The view reports that the image changed (OnImageChange): ModifiedFlag is set and documentChanged
  // emitted. Every command of the model calls it itself; a tool that edits image() directly calls it.
  void notifyImageChanged();

  // ---- flags and state values
  bool modifiedFlag() const { return modifiedFlag_; }
  void setModifiedFlag(bool on);
  bool templatePreviewFlag() const { return templatePreviewFlag_; }
  void setTemplatePreviewFlag(bool on) { templatePreviewFlag_ = on; }
  int mode() const { return mode_; }
  Page page() const { return page_; }
  int decorTab() const { return decorTab_; }  // GoldTabs index
  MouseMode mouseMode() const { return mouseMode_; }
  void setMouseMode(MouseMode mode);
  QString hint() const { return hint_; }
  void setHint(const QString& text);
  Bgr background() const { return image_.background(); }
  void setBackground(Bgr colour);
  // ViewPana and MainModa are shown once a photo was opened.
  bool photoPanelsShown() const { return mode_ == kModeEditing; }
  // The name the open dialog remembers (the last photo opened); revert reloads it.
  QString openedFileName() const { return openedFileName_; }

  // ---- history: enabled states and captions
  bool undoMenuEnabled() const { return undoMenuEnabled_; }
  bool redoMenuEnabled() const { return redoMenuEnabled_; }
  bool undoButtonEnabled() const { return undoButtonEnabled_; }
  bool redoButtonEnabled() const { return redoButtonEnabled_; }
  QString undoCaption() const { return undoCaption_; }
  QString redoCaption() const { return redoCaption_; }

  // ---- the undoable-operation protocol
  // Steps 1–2: enables Undo with `caption` and calls saveUndo().
  void beginUndoable(const QString& caption);
  // Steps 4–5 after the caller changed the photo: notifies the change, commits unless a preview,
  // refreshes the Edit preview when asked and the mode is "Редактирование".
  void finishUndoable(const UndoableOptions& options = {});
  // The whole protocol around `change`, which edits the document.
  template <class Change>
  void runUndoable(const QString& caption, Change&& change, const UndoableOptions& options = {}) {
    beginUndoable(caption);
    change(image_);
    finishUndoable(options);
  }
  // UndoImage := pixels of layer 0; Redo disabled; UndoB enabled.
  void saveUndo();
  // Return false (and change nothing) when the command is disabled.
  bool undo();
  bool redo();
  // "Вернуться к исходному": reloads the opened file, undoably. A file that can no longer be read
  // changes nothing and returns Failed with the reason.
  OpenResult revert();

  // ---- pages (toolbar BT1, EBT, FBT, MBT, DBT and the Open page's mode buttons)
  // "Открыть" pressed: on the Open page returns true — the caller runs the open dialog and then
  // openPhoto(); on another page runs the Open-page routine and returns false.
  bool pressOpenButton();
  // The Open-page routine: Open page shown, pending layers dropped, recent strip refilled. Also what
  // window activation runs.
  void showOpenPage();
  void showEditPage();
  void showEffectsPage();
  void showMontagePage();
  void showDecorPage();
  // Dispatch by page; Page::Open behaves as pressOpenButton() with the dialog cancelled.
  void pressPageButton(Page page);
  // With one layer CommittedImage := layer 0; with more, discardPendingLayers().
  void commitOrDiscard();
  // Drops every pending layer, layer 0 := CommittedImage, unselectable, scrolling, fitted.
  void discardPendingLayers();

  // ---- opening photos and the recent list
  // The open command with the dialog's choice; an empty name is a cancelled dialog.
  OpenResult openPhoto(const QString& path);
  QStringList recentList() const { return recentList_; }
  void setRecentList(const QStringList& list);  // as read from a file, untrimmed
  void addRecentFile(const QString& name);
  // The strip on the Open page: the recent list as it was when the Open page was last entered.
  QStringList recentStrip() const { return recentStrip_; }
  int recentSelection() const { return recentSelection_; }  // -1 when none
  void selectRecent(int index);                             // -1 clears; out of range is ignored
  bool openSelectedEnabled() const { return !recentStrip_.isEmpty(); }
  // "Открыть выбранный файл": Cancelled when nothing is selected.
  OpenResult openSelectedRecent();
  // Recent.lst in the configuration folder: read at creation, written at close.
  void setConfigDir(const QString& dir) { configDir_ = dir; }
  QString configDir() const { return configDir_; }
  // The content root the catalogues and effects read from.
  void setContentRoot(const QString& dir) { contentRoot_ = dir; }
  QString contentRoot() const { return contentRoot_; }
  void readRecentList();
  SaveResult writeRecentList() const;

  // ---- view: zoom, fitting, the status bar, menu enabling
  double zoom() const { return zoom_; }  // percent, fractional
  void setZoom(double percent);
  // The view's client size (inside scroll bars) and outer size, in pixels.
  void setViewSize(QSize client, QSize outer);
  void setViewSize(QSize size) { setViewSize(size, size); }
  QSize viewClientSize() const { return viewClient_; }
  void fitToWindow();
  void fitToWindow(QSize client, QSize outer);
  void zoomTo100() { setZoom(100.0); }
  QString sizeText() const;  // "1600 x 1200", the size of layer 0
  QString zoomText() const;  // "Масштаб: 50%"
  // "Изображение", "Эффекты", "Оформление" items and the first items of "Вид": the view's current
  // picture is wider than 2 pixels.
  bool pictureCommandsEnabled() const;

  // ---- the Edit page preview
  // The reference picture: the current layer resampled linearly to 220 wide, height in proportion.
  const Bitmap& editPreviewReference() const { return editPreviewReference_; }
  void refreshEditPreview();

  // ---- simple file output (the full save command comes with the save dialog)
  // Writes the current layer by the name's extension and clears ModifiedFlag.
  SaveResult saveCurrentLayer(const QString& path);
  // Writes what the view shows (all visible layers merged); the document is unchanged.
  SaveResult saveView(const QString& path) const;

 signals:
  void documentChanged();      // pixels or layers of image() changed: repaint
  void historyChanged();       // Undo/Redo captions or enabled states
  void pageChanged(virmeya::Page page);
  void modeChanged(int mode);
  void hintChanged(const QString& text);
  void zoomChanged(double percent);
  void recentStripChanged();   // the strip was refilled or its selection moved
  void editPreviewChanged();
  void mouseModeChanged(virmeya::MouseMode mode);
  void changed();              // after any command: a catch-all refresh

 private:
  void dropPendingLayers();
  void setPhotoPixels(const Bitmap& source);
  void commitLayer0();
  void setPage(Page page);
  void setHistory(bool undoOn, bool redoOn);
  OpenResult loadPhoto(const QString& path, bool fromDialog);

  LayeredImage image_;
  Bitmap committedImage_;
  Bitmap undoImage_;
  Bitmap redoImage_;
  Bitmap editPreviewReference_;
  QString undoCaption_;
  QString redoCaption_;
  bool undoMenuEnabled_ = false;
  bool redoMenuEnabled_ = false;
  bool undoButtonEnabled_ = false;
  bool redoButtonEnabled_ = false;
  bool modifiedFlag_ = false;
  bool templatePreviewFlag_ = false;
  int mode_ = kModeOpenPhoto;
  int decorTab_ = 0;
  Page page_ = Page::Open;
  MouseMode mouseMode_ = MouseMode::Scroll;
  QString hint_;
  QString openedFileName_;
  QStringList recentList_;
  QStringList recentStrip_;
  int recentSelection_ = -1;
  QString configDir_;
  QString contentRoot_;
  double zoom_ = 100.0;
  QSize viewClient_{640, 480};
  QSize viewOuter_{640, 480};
};

}  // namespace virmeya
