// The studio model: every protocol of the main window without a widget.
#include "workspace/studio.h"

#include <QDir>

#include <algorithm>
#include <new>

#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"
#include "imaging/ops/geometry.h"
#include "imaging/pixel.h"
#include "workspace/text_file.h"

namespace virmeya {

const std::array<const char*, 12> kModeNames = {
    "Открыть фотографию", "Редактирование", "Эффекты",  "Шаблоны открыток",
    "Шаблоны рамок",      "Генератор рамок", "Акцентирование", "Шаблоны коллажей",
    "Маски",              "Границы",         "Украшения", "Надписи"};

namespace {

constexpr std::array<const char*, kPageCount> kPageWords = {"open", "edit", "effects", "montage", "decor"};

// A truncated file opens (the decoder leaves the missing part grey), but the user must know before
// saving it over the original.
constexpr const char* kIncompleteHint =
    "Файл прочитан не полностью: часть изображения отсутствует. Не сохраняйте его поверх исходного.";
constexpr const char* kIncompleteMessage = "Файл прочитан не полностью: часть изображения отсутствует.";

QString fromStd(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::filesystem::path toPath(const QString& s) { return std::filesystem::path(s.toStdU16String()); }

// Reads a photo for layer 0 (plain 24-bit: transparent parts of a PNG or GIF become white paper).
// On failure `result` says why, in the message the window shows, and nothing else is touched.
bool readPhotoFile(const QString& path, DecodedPicture& picture, OpenResult& result) {
  try {
    picture = readPicture(toPath(path));
  } catch (const ImagingError& e) {
    result.status = OpenResult::Status::Failed;
    result.message = QString::fromUtf8(kOpenFailed) + QStringLiteral(": ") + fromStd(e.what());
    return false;
  } catch (const std::bad_alloc&) {
    result.status = OpenResult::Status::Failed;
    result.message = QString::fromUtf8(kOpenFailed) + QStringLiteral(": недостаточно памяти");
    return false;
  }
  if (picture.bitmap.hasAlpha()) flattenAlphaOntoWhite(picture.bitmap);
  result.status = picture.incomplete ? OpenResult::Status::Incomplete : OpenResult::Status::Opened;
  if (picture.incomplete) {
    result.message = QString::fromUtf8(kIncompleteMessage);
    if (!picture.warning.empty()) result.message += QLatin1Char('\n') + fromStd(picture.warning);
  }
  return true;
}

}  // namespace

const char* pageWord(Page page) { return kPageWords[static_cast<std::size_t>(page)]; }

bool pageFromWord(const QString& word, Page* page) {
  for (int i = 0; i < kPageCount; ++i) {
    if (word == QLatin1String(kPageWords[static_cast<std::size_t>(i)])) {
      *page = static_cast<Page>(i);
      return true;
    }
  }
  return false;
}

Studio::Studio(QObject* parent) : QObject(parent) {
  image_.setBackground(kDefaultBackground);
  // The view starts blank: a 1 × 1 picture of the background colour.
  image_.setPhoto(Bitmap(1, 1, kDefaultBackground));
  undoCaption_ = QString::fromUtf8(kUndoWord);
  redoCaption_ = QString::fromUtf8(kRedoWord);
  hint_ = QString::fromUtf8(kStartHint);
}

Studio::~Studio() = default;

// ---- small state

void Studio::notifyImageChanged() {
  modifiedFlag_ = true;
  emit documentChanged();
}

void Studio::setModifiedFlag(bool on) {
  modifiedFlag_ = on;
  emit changed();
}

void Studio::setMouseMode(MouseMode mode) {
  if (mode == mouseMode_) return;
  mouseMode_ = mode;
  emit mouseModeChanged(mode);
}

void Studio::setHint(const QString& text) {
  hint_ = text;
  emit hintChanged(text);
}

void Studio::setBackground(Bgr colour) {
  image_.setBackground(colour);
  emit documentChanged();
  emit changed();
}

void Studio::setPage(Page page) {
  page_ = page;
  emit pageChanged(page);
}

void Studio::setHistory(bool undoOn, bool redoOn) {
  undoMenuEnabled_ = undoButtonEnabled_ = undoOn;
  redoMenuEnabled_ = redoButtonEnabled_ = redoOn;
  emit historyChanged();
}

// Filling the current layer with the background first would be invisible: it is either removed or
// overwritten right after by every caller, so only the pending layers are dropped here.
void Studio::dropPendingLayers() { image_.removeAllButPhoto(); }

void Studio::setPhotoPixels(const Bitmap& source) {
  Layer& photo = image_.photo();
  photo.bitmap.assignPixels(source);
  photo.x = photo.y = 0;
  photo.fitDisplayToBitmap();
}

void Studio::commitLayer0() { committedImage_.assign(image_.photo().bitmap); }

// ---- history

void Studio::saveUndo() {
  undoImage_.assignPixels(image_.photo().bitmap);
  redoMenuEnabled_ = redoButtonEnabled_ = false;
  undoButtonEnabled_ = true;
  emit historyChanged();
}

void Studio::beginUndoable(const QString& caption) {
  undoMenuEnabled_ = true;
  undoCaption_ = caption;
  saveUndo();
}

void Studio::finishUndoable(const UndoableOptions& options) {
  notifyImageChanged();
  if (options.commit) commitLayer0();
  if (options.refreshEditPreview && mode_ == kModeEditing) refreshEditPreview();
  emit changed();
}

bool Studio::undo() {
  if (!undoMenuEnabled_) return false;
  redoImage_.assignPixels(image_.photo().bitmap);
  dropPendingLayers();
  setPhotoPixels(undoImage_);
  committedImage_.assign(undoImage_);
  notifyImageChanged();
  // "Отменить" is 8 letters: the operation's words, with their leading space, carry over.
  redoCaption_ = QString::fromUtf8(kRedoWord) + undoCaption_.mid(QString::fromUtf8(kUndoWord).size());
  setHistory(false, true);
  if (mode_ == kModeEditing) refreshEditPreview();
  emit changed();
  return true;
}

bool Studio::redo() {
  // Not stated for Redo, but a disabled Redo doing something would be as wrong as for Undo.
  if (!redoMenuEnabled_) return false;
  undoImage_.assignPixels(image_.photo().bitmap);
  dropPendingLayers();
  setPhotoPixels(redoImage_);
  committedImage_.assign(redoImage_);
  notifyImageChanged();
  undoCaption_ = QString::fromUtf8(kUndoWord) + redoCaption_.mid(QString::fromUtf8(kRedoWord).size());
  setHistory(true, false);
  if (mode_ == kModeEditing) refreshEditPreview();
  emit changed();
  return true;
}

OpenResult Studio::revert() {
  OpenResult result;
  DecodedPicture picture;
  const bool haveName = !openedFileName_.isEmpty();
  if (haveName) {
    // Read before touching anything: a file gone since it was opened must not cost the worked photo.
    if (!readPhotoFile(openedFileName_, picture, result)) return result;
  }
  beginUndoable(QString::fromUtf8(undo_caption::kRevert));
  dropPendingLayers();
  setMouseMode(MouseMode::Scroll);
  if (haveName) {
    image_.setPhoto(std::move(picture.bitmap));
    if (picture.incomplete) setHint(QString::fromUtf8(kIncompleteHint));
  } else {
    // Nothing was ever opened: the view keeps its blank picture.
    image_.clearCurrentToBackground();
    result.status = OpenResult::Status::Opened;
  }
  notifyImageChanged();
  commitLayer0();
  if (mode_ == kModeEditing) refreshEditPreview();
  emit changed();
  return result;
}

// ---- pages

bool Studio::pressOpenButton() {
  if (page_ == Page::Open) return true;
  showOpenPage();
  return false;
}

void Studio::showOpenPage() {
  setPage(Page::Open);
  if (image_.layerCount() > 1) discardPendingLayers();
  recentStrip_ = recentList_;
  recentSelection_ = -1;
  emit recentStripChanged();
  emit changed();
}

void Studio::showEditPage() {
  setPage(Page::Edit);
  commitOrDiscard();
  setHint(QString::fromUtf8(kEditHint));
  refreshEditPreview();
  emit changed();
}

void Studio::showEffectsPage() {
  setPage(Page::Effects);
  commitOrDiscard();
  emit changed();
}

void Studio::showMontagePage() {
  setPage(Page::Montage);
  commitOrDiscard();
  emit changed();
}

void Studio::showDecorPage() {
  setPage(Page::Decor);
  commitOrDiscard();
  emit changed();
}

void Studio::pressPageButton(Page page) {
  switch (page) {
    case Page::Open: pressOpenButton(); break;
    case Page::Edit: showEditPage(); break;
    case Page::Effects: showEffectsPage(); break;
    case Page::Montage: showMontagePage(); break;
    case Page::Decor: showDecorPage(); break;
  }
}

void Studio::commitOrDiscard() {
  if (image_.layerCount() < 2) {
    commitLayer0();
  } else {
    discardPendingLayers();
  }
}

void Studio::discardPendingLayers() {
  dropPendingLayers();
  Layer& photo = image_.photo();
  photo.bitmap.assign(committedImage_);
  photo.x = photo.y = 0;
  photo.fitDisplayToBitmap();
  photo.selectable = false;
  setMouseMode(MouseMode::Scroll);
  notifyImageChanged();
  fitToWindow();
}

// ---- opening

OpenResult Studio::loadPhoto(const QString& path, bool fromDialog) {
  OpenResult result;
  if (path.isEmpty()) return result;  // a cancelled dialog changes nothing
  DecodedPicture picture;
  // An unreadable file leaves the document, its history and the committed picture as they were.
  if (!readPhotoFile(path, picture, result)) return result;
  dropPendingLayers();
  image_.setPhoto(std::move(picture.bitmap));
  notifyImageChanged();
  commitLayer0();
  if (fromDialog) addRecentFile(path);
  openedFileName_ = path;
  image_.photo().frameShown = false;
  fitToWindow();
  setHistory(false, false);
  setHint(QString::fromUtf8(picture.incomplete ? kIncompleteHint : kOpenedHint));
  templatePreviewFlag_ = false;
  modifiedFlag_ = false;
  // The mode step for "Редактирование": the Decor tabs follow the mode; no pending layer is left
  // at this point and layer 0 is already committed.
  mode_ = kModeEditing;
  decorTab_ = kModeEditing;
  emit modeChanged(mode_);
  emit changed();
  return result;
}

OpenResult Studio::openPhoto(const QString& path) { return loadPhoto(path, true); }

OpenResult Studio::openSelectedRecent() {
  if (recentSelection_ < 0 || recentSelection_ >= recentStrip_.size()) return {};
  return loadPhoto(recentStrip_.at(recentSelection_), false);
}

void Studio::selectRecent(int index) {
  if (index < -1 || index >= recentStrip_.size()) return;
  recentSelection_ = index;
  emit recentStripChanged();
}

void Studio::setRecentList(const QStringList& list) {
  recentList_ = list;
  emit changed();
}

void Studio::addRecentFile(const QString& name) {
  if (name.isEmpty() || recentList_.contains(name, Qt::CaseSensitive)) return;
  recentList_.prepend(name);
  // A longer list read from an old file is trimmed to the program's limit here as well.
  while (recentList_.size() > kRecentMax) recentList_.removeLast();
}

void Studio::readRecentList() {
  if (configDir_.isEmpty()) return;
  setRecentList(readTextLines(QDir(configDir_).filePath(QString::fromUtf8(kRecentFileName))));
}

SaveResult Studio::writeRecentList() const {
  SaveResult result;
  if (configDir_.isEmpty()) {
    result.message = QStringLiteral("не задана папка настроек");
    return result;
  }
  result.ok = writeTextLines(QDir(configDir_).filePath(QString::fromUtf8(kRecentFileName)), recentList_,
                             &result.message);
  return result;
}

// ---- view

void Studio::setZoom(double percent) {
  zoom_ = percent;
  emit zoomChanged(percent);
}

void Studio::setViewSize(QSize client, QSize outer) {
  viewClient_ = client;
  viewOuter_ = outer;
}

void Studio::fitToWindow(QSize client, QSize outer) {
  setViewSize(client, outer);
  fitToWindow();
}

void Studio::fitToWindow() {
  const Bitmap& photo = image_.photo().bitmap;
  const int w = photo.width(), h = photo.height();
  if (w <= 0 || h <= 0 || (w <= viewClient_.width() && h <= viewClient_.height())) {
    setZoom(100.0);
    return;
  }
  if (viewOuter_.isEmpty()) {  // a view not laid out yet has no size to fit to
    setZoom(100.0);
    return;
  }
  const double fit = std::min(viewOuter_.height() * 100.0 / h, viewOuter_.width() * 100.0 / w);
  // Below 2 % the one-percent margin would leave no zoom at all (or a negative one) on a huge photo
  // in a tiny view; half the fit keeps the picture visible there.
  setZoom(fit >= 2.0 ? fit - 1.0 : fit / 2);
}

QString Studio::sizeText() const {
  const Bitmap& photo = image_.photo().bitmap;
  return QStringLiteral("%1 x %2").arg(photo.width()).arg(photo.height());
}

QString Studio::zoomText() const { return QStringLiteral("Масштаб: %1%").arg(roundEven(zoom_)); }

bool Studio::pictureCommandsEnabled() const { return image_.current().bitmap.width() > 2; }

// ---- Edit preview

void Studio::refreshEditPreview() {
  const Bitmap& current = image_.current().bitmap;
  if (current.empty()) {
    editPreviewReference_ = Bitmap();
  } else {
    const int height = std::max(
        1, roundEvenInt(static_cast<double>(current.height()) * kEditPreviewWidth / current.width()));
    editPreviewReference_ = Resample(current, kEditPreviewWidth, height, ResampleFilter::Bilinear);
    editPreviewReference_.dropAlpha();
  }
  emit editPreviewChanged();
}

// ---- file output

SaveResult Studio::saveCurrentLayer(const QString& path) {
  SaveResult result;
  try {
    writePicture(image_.current().bitmap, toPath(path));
  } catch (const ImagingError& e) {
    result.message = fromStd(e.what());
    return result;
  }
  result.ok = true;
  modifiedFlag_ = false;
  emit changed();
  return result;
}

SaveResult Studio::saveView(const QString& path) const {
  SaveResult result;
  try {
    writePicture(image_.flattened(), toPath(path));
  } catch (const ImagingError& e) {
    result.message = fromStd(e.what());
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace virmeya
