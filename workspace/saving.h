// Saving without widgets: the save dialog's type list, the save command's flow, quick export, the JPEG
// optimisation dialog's estimate and save, the close question, and the pictures handed to the
// clipboard and the printer. The window shows the dialogs and passes their outcome here.
#pragma once

#include <QImage>
#include <QObject>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <functional>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/codecs/codecs.h"

class QJsonObject;
class QMimeData;
class QPainter;

namespace virmeya {

class Studio;
struct MacroCommand;

// ---- the save dialog's file-type list

struct SaveFileType {
  const char* name;         // "TIFF"
  const char* description;  // "TIFF Bitmap"
  const char* extensions;   // space-separated, lower case; the first is supplied when none is typed
  PictureFormat format;
};

// Type indexes count from 1, as the dialog's list does.
inline constexpr int kSaveTypeTiff = 1;
inline constexpr int kSaveTypeGif = 2;
inline constexpr int kSaveTypeJpeg = 3;
inline constexpr int kSaveTypePcx = 4;
inline constexpr int kSaveTypeBmp = 5;
inline constexpr int kSaveTypeIco = 6;
inline constexpr int kSaveTypePng = 7;
inline constexpr int kStartSaveType = kSaveTypeJpeg;

int saveTypeCount();
// The entry of a 1-based index; index 3 (JPEG) when out of range.
const SaveFileType& saveFileType(int index);
// "TIFF Bitmap (*.tif *.tiff)" — one line of the dialog's filter list.
QString saveTypeFilter(int index);
QStringList saveTypeFilters();
// The index whose filter line is `filter`; 0 when none.
int saveTypeForFilter(const QString& filter);
// The index named by a type name or one of its extensions, any letter case ("tiff", "JPG"); 0 when none.
int saveTypeForWord(const QString& word);
// The name the dialog hands back: `name` as typed when it has an extension, otherwise `name` with the
// chosen type's first extension.
QString nameWithTypeExtension(const QString& name, int typeIndex);

// ---- the JPEG quality dialog "Настройка качества JPEG"
inline constexpr int kJCompMin = 5;
inline constexpr int kJCompMax = 100;
inline constexpr int kJCompStart = 80;

// The embedded thumbnail of the file parameters is this wide.
inline constexpr int kThumbnailWidth = 160;
// A picture so narrow that its thumbnail would be taller than this (a strip of a few pixels wide
// becomes millions of rows at that width) gets no thumbnail: no file format could hold it anyway.
inline constexpr int kThumbnailMaxHeight = 40 * kThumbnailWidth;

// ---- "Быстрый экспорт"
struct QuickExportItem {
  const char* caption;  // menu text
  const char* word;     // macro word
  int typeIndex;        // preselected in the save dialog
};
inline constexpr std::array<QuickExportItem, 5> kQuickExportItems{{
    {"BMP", "bmp", kSaveTypeBmp},
    {"JPEG", "jpeg", kSaveTypeJpeg},
    {"PNG", "png", kSaveTypePng},
    {"GIF", "gif", kSaveTypeGif},
    {"TIFF", "tiff", kSaveTypeTiff},
}};

// ---- outcomes

// What the save dialog returned: an empty name is a cancelled dialog.
struct SaveDialogOutcome {
  QString fileName;  // as typed; the chosen type's extension is supplied when it has none
  int typeIndex = kStartSaveType;
  bool accepted() const { return !fileName.isEmpty(); }
};

struct SaveOutcome {
  enum class Status { Saved, Cancelled, Failed };
  Status status = Status::Cancelled;
  QString fileName;  // the name written (or that failed)
  QString message;   // Failed: the file and the reason, in the user's words
  bool saved() const { return status == Status::Saved; }
};

// The file parameters of the view's file object that a save uses.
struct FileParameters {
  JpegOptions jpeg;
  Bitmap thumbnail;  // refreshed from the current picture by every save, kThumbnailWidth wide; JPEG files carry it
};

// Shows "Настройка качества JPEG" starting at `current` and returns JComp after it closes, however it
// was closed.
using QualityDialog = std::function<int(int current)>;

// ---- the JPEG optimisation dialog "JPEG - оптимизация"

struct JpegOptimizeControl {
  const char* name;  // objectName of the control
  int min, max, start;
  const char* caption;
};
inline constexpr JpegOptimizeControl kCompressControl{"Compress", 1, 100, 80, "Качество картинки"};
inline constexpr JpegOptimizeControl kSmoothControl{"Smooth", 0, 100, 0, "Сглаживание"};
inline constexpr JpegOptimizeControl kOptimalControl{"Optimal", 0, 1, 0, "Оптимальный алгоритм сжатия"};
inline constexpr int kJpegSliderTickInterval = 10;
inline constexpr const char* kTempJpegName = "temp.jpg";

// The control values of the dialog; they last while the program runs.
struct JpegOptimizeValues {
  int compress = kCompressControl.start;
  int smooth = kSmoothControl.start;
  bool optimal = kOptimalControl.start != 0;
  JpegOptions options() const { return JpegOptions{compress, smooth, optimal}; }
};

// "Размер 5625 Kb": the uncompressed 24-bit size, width × height × 3 / 1024 rounded half to even.
QString sourceSizeText(int width, int height);
// "Размер 12 Kb при качестве 80%": bytes / 1024 rounded half to even.
QString destSizeText(std::size_t bytes, int quality);
// The name the optimisation dialog's save box writes: ".jpg" is appended unless the name already ends
// in ".jpg" or ".jpeg" (any letter case).
QString nameWithJpegSuffix(const QString& name);

struct JpegEstimate {
  std::size_t bytes = 0;
  int quality = 0;
  QString text;         // Dest's text
  QString tempFile;     // where temp.jpg went ("" when it could not be written)
  QString tempMessage;  // why temp.jpg could not be written or read back
  Bitmap decoded;       // the picture as a JPEG decoder sees it: DS's picture
};

// ---- the close question
enum class CloseAnswer { Yes, No, Cancel };
inline constexpr const char* kCloseQuestion = "Сохранить изображение?";

// ---- pictures for the clipboard and the printer
// The current picture as a QImage (a deep copy; with its alpha when the layer carries one).
QImage pictureImage(const Bitmap& bitmap);
// The clipboard contents for "Копировать": the picture as an image (the platform offers it as a
// bitmap, PNG and the other image types other programs paste).
QMimeData* clipboardData(const Bitmap& bitmap);

inline constexpr const char* kPrintJobName = "Вирмея";
inline constexpr const char* kPrintCaption = "Печать";
// Where the picture goes on a page whose printable area is `page` (device units, `dotsPerInch` of the
// device): at its own size at 96 pixels per inch, reduced to fit the area when larger, centred.
QRectF pictureRectOnPage(QSize picture, const QRectF& page, double dotsPerInch);
// Draws the picture on the page (the routine the print preview and the PDF output share).
void paintPictureOnPage(QPainter& painter, const QImage& picture, const QRectF& page, double dotsPerInch);

// ---- the model

class Saving : public QObject {
  Q_OBJECT

 public:
  explicit Saving(Studio& studio);
  ~Saving() override;

  // The saving model that belongs to `studio` (made on first use, lives as long as the studio), so
  // the window and the macros share the save dialog's type and the dialogs' values.
  static Saving& of(Studio& studio);

  Studio& studio() { return studio_; }

  // The save dialog's chosen type: JPEG at start, then the last one chosen until the program ends.
  int saveType() const { return saveType_; }
  void setSaveType(int index);

  // JComp of "Настройка качества JPEG" (5..100, 80 at start).
  int jpegQualityValue() const { return jComp_; }
  void setJpegQualityValue(int value);

  const FileParameters& fileParameters() const { return fileParameters_; }
  // Smoothing and Huffman coding of the file parameters (the save dialog's own JPEG options).
  void setJpegFileOptions(int smoothing, bool optimize);

  // The save command after the save dialog closed: the dialog's type is kept; a cancelled dialog
  // changes nothing; the thumbnail is refreshed; for JPEG `askQuality` (or, when empty, the kept
  // JComp) gives the quality; the current layer is written by the name's extension; ModifiedFlag is
  // cleared only when the file was written.
  SaveOutcome save(const SaveDialogOutcome& dialog, const QualityDialog& askQuality = {});
  // "Быстрый экспорт": the item's type becomes the dialog's type (the caller then runs the dialog).
  void preselectQuickExport(int item);

  // The close question: true when the window may close. With ModifiedFlag clear `ask` is not called.
  // Yes runs `saveCommand` and closes only when it saved; a cancelled or failed save keeps the
  // window open so the work is not lost.
  bool closeQuery(const std::function<CloseAnswer()>& ask, const std::function<SaveOutcome()>& saveCommand);

  // The JPEG optimisation dialog's values, kept while the program runs.
  JpegOptimizeValues& jpegOptimizeValues() { return optimizeValues_; }
  const JpegOptimizeValues& jpegOptimizeValues() const { return optimizeValues_; }
  // The estimate of layer 0 with the current values: encoded into memory for the size, written to
  // temp.jpg in the configuration folder and read back for the right view.
  JpegEstimate estimateJpeg() const;
  // Where temp.jpg goes: the configuration folder, where Conf.ini lives.
  QString tempJpegPath() const;
  // "Сохранить" of the optimisation dialog with the JPEG save box's name; an empty name is a
  // cancelled box. Layer 0 is written; ModifiedFlag is left alone.
  SaveOutcome saveOptimizedJpeg(const QString& chosenName) const;

  // Prints the current picture to a PDF file through the shared painting routine.
  SaveOutcome printToPdf(const QString& path) const;

 signals:
  void saveTypeChanged(int index);

 private:
  Studio& studio_;
  int saveType_ = kStartSaveType;
  int jComp_ = kJCompStart;
  FileParameters fileParameters_;
  JpegOptimizeValues optimizeValues_;
};

// ---- macro commands (saving_macros.cpp)
// save, export, jpeg-optimize, jpeg-estimate, print-pdf, close.
const std::vector<MacroCommand>& savingMacroCommands();
// The save dialog's type (and the kept JPEG quality) for the `state` object.
void addSavingState(const Studio& studio, QJsonObject& state);

}  // namespace virmeya
