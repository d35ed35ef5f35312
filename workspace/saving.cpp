// The saving model: the save command, quick export, the JPEG optimisation estimate, the close question,
// and the pictures handed to the clipboard and the printer.
#include "workspace/saving.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <string>

#include "imaging/errors.h"
#include "imaging/ops/geometry.h"
#include "imaging/pixel.h"
#include "workspace/paths.h"
#include "workspace/studio.h"

namespace virmeya {

namespace {

// The formats we write, the first seven in the order the dialog has always listed them.
constexpr std::array<SaveFileType, 10> kSaveFileTypes{{
    {"TIFF", "TIFF Bitmap", "tif tiff", PictureFormat::Tiff},
    {"GIF", "CompuServe GIF", "gif", PictureFormat::Gif},
    {"JPEG", "JPEG Bitmap", "jpg jpeg jpe jfif", PictureFormat::Jpeg},
    {"PCX", "PaintBrush PCX", "pcx", PictureFormat::Pcx},
    {"BMP", "Windows Bitmap", "bmp dib", PictureFormat::Bmp},
    {"ICO", "Windows Icon", "ico", PictureFormat::Ico},
    {"PNG", "Portable Network Graphics", "png", PictureFormat::Png},
    {"CUR", "Windows Cursor", "cur", PictureFormat::Cur},
    {"TGA", "Targa Image", "tga", PictureFormat::Tga},
    {"PNM", "Portable Pixmap", "ppm pnm", PictureFormat::Pnm},
}};

// Pictures have no resolution of their own; the screen's 96 pixels per inch gives them a paper size.
constexpr double kPictureDotsPerInch = 96.0;
constexpr double kPdfDotsPerInch = 300.0;
constexpr double kPdfMarginMillimetres = 10.0;

QString fromStd(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::filesystem::path toPath(const QString& s) { return std::filesystem::path(s.toStdU16String()); }

// The codecs word their errors for the middle of a sentence; a message box starts with a capital.
QString sentence(const std::string& message) {
  QString text = fromStd(message);
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  return text;
}

QStringList extensionsOf(const SaveFileType& type) {
  return QString::fromLatin1(type.extensions).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

bool hasWritableExtension(const QString& name) {
  const QString suffix = QFileInfo(name).suffix().toLower();
  if (suffix.isEmpty()) return false;
  for (const SaveFileType& type : kSaveFileTypes) {
    if (extensionsOf(type).contains(suffix)) return true;
  }
  return false;
}

SaveOutcome failed(const QString& fileName, const QString& message) {
  SaveOutcome outcome;
  outcome.status = SaveOutcome::Status::Failed;
  outcome.fileName = fileName;
  outcome.message = message;
  return outcome;
}

SaveOutcome writeBitmap(const Bitmap& bitmap, const QString& fileName, const WriteOptions& options) {
  try {
    writePicture(bitmap, toPath(fileName), options);
  } catch (const ImagingError& e) {
    return failed(fileName, sentence(e.what()));
  } catch (const std::bad_alloc&) {
    return failed(fileName, QStringLiteral("Не удалось записать «%1»: недостаточно памяти").arg(fileName));
  }
  SaveOutcome outcome;
  outcome.status = SaveOutcome::Status::Saved;
  outcome.fileName = fileName;
  return outcome;
}

Bitmap thumbnailOf(const Bitmap& picture) {
  if (picture.empty()) return {};
  const double exact = static_cast<double>(picture.height()) * kThumbnailWidth / picture.width();
  if (exact > kThumbnailMaxHeight) return {};
  const int height = std::max(1, roundEvenInt(exact));
  return Resample(picture, kThumbnailWidth, height, ResampleFilter::Bilinear);
}

}  // namespace

// ---- the type list

int saveTypeCount() { return static_cast<int>(kSaveFileTypes.size()); }

const SaveFileType& saveFileType(int index) {
  if (index < 1 || index > saveTypeCount()) index = kSaveTypeJpeg;
  return kSaveFileTypes[static_cast<std::size_t>(index - 1)];
}

QString saveTypeFilter(int index) {
  const SaveFileType& type = saveFileType(index);
  QStringList patterns;
  for (const QString& ext : extensionsOf(type)) patterns << QStringLiteral("*.") + ext;
  return QStringLiteral("%1 (%2)").arg(QString::fromUtf8(type.description), patterns.join(QLatin1Char(' ')));
}

QStringList saveTypeFilters() {
  QStringList filters;
  for (int i = 1; i <= saveTypeCount(); ++i) filters << saveTypeFilter(i);
  return filters;
}

int saveTypeForFilter(const QString& filter) {
  for (int i = 1; i <= saveTypeCount(); ++i) {
    if (saveTypeFilter(i) == filter) return i;
  }
  return 0;
}

int saveTypeForWord(const QString& word) {
  const QString key = word.toLower();
  for (int i = 1; i <= saveTypeCount(); ++i) {
    const SaveFileType& type = saveFileType(i);
    if (key == QString::fromLatin1(type.name).toLower() || extensionsOf(type).contains(key)) return i;
  }
  return 0;
}

QString nameWithTypeExtension(const QString& name, int typeIndex) {
  // A dot inside a name ("Отпуск 2024.12") is no extension we could write by; the chosen type then
  // decides, as when no extension was typed at all.
  if (name.isEmpty() || hasWritableExtension(name)) return name;
  return name + QLatin1Char('.') + extensionsOf(saveFileType(typeIndex)).constFirst();
}

// ---- size texts and the optimisation dialog's suffix rule

QString sourceSizeText(int width, int height) {
  const double kb = static_cast<double>(width) * height * 3.0 / 1024.0;
  return QStringLiteral("Размер %1 Kb").arg(roundEven(kb));
}

QString destSizeText(std::size_t bytes, int quality) {
  const double kb = static_cast<double>(bytes) / 1024.0;
  return QStringLiteral("Размер %1 Kb при качестве %2%").arg(roundEven(kb)).arg(quality);
}

QString nameWithJpegSuffix(const QString& name) {
  if (name.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive) ||
      name.endsWith(QLatin1String(".jpeg"), Qt::CaseInsensitive)) {
    return name;
  }
  return name + QLatin1String(".jpg");
}

// ---- clipboard and printing

QImage pictureImage(const Bitmap& bitmap) {
  if (bitmap.empty()) return {};
  const QImage rows(bitmap.data(), bitmap.width(), bitmap.height(), static_cast<qsizetype>(bitmap.stride()),
                    QImage::Format_BGR888);
  if (!bitmap.hasAlpha()) return rows.copy();
  QImage image = rows.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < bitmap.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    const std::uint8_t* alpha = bitmap.alphaRow(y);
    for (int x = 0; x < bitmap.width(); ++x) line[x] = (line[x] & 0x00ffffffu) | (QRgb{alpha[x]} << 24);
  }
  return image;
}

QMimeData* clipboardData(const Bitmap& bitmap) {
  auto* data = new QMimeData;
  data->setImageData(pictureImage(bitmap));
  return data;
}

QRectF pictureRectOnPage(QSize picture, const QRectF& page, double dotsPerInch) {
  if (picture.isEmpty() || page.isEmpty()) return {};
  const double unit = dotsPerInch / kPictureDotsPerInch;
  const double width = picture.width() * unit;
  const double height = picture.height() * unit;
  const double scale = std::min({1.0, page.width() / width, page.height() / height});
  const QSizeF size(width * scale, height * scale);
  return QRectF(page.x() + (page.width() - size.width()) / 2, page.y() + (page.height() - size.height()) / 2,
                size.width(), size.height());
}

void paintPictureOnPage(QPainter& painter, const QImage& picture, const QRectF& page, double dotsPerInch) {
  const QRectF target = pictureRectOnPage(picture.size(), page, dotsPerInch);
  if (target.isEmpty()) return;
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, picture);
  painter.restore();
}

// ---- the model

Saving::Saving(Studio& studio) : QObject(&studio), studio_(studio) {}

Saving::~Saving() = default;

Saving& Saving::of(Studio& studio) {
  if (auto* existing = studio.findChild<Saving*>(QString(), Qt::FindDirectChildrenOnly)) return *existing;
  return *new Saving(studio);
}

void Saving::setSaveType(int index) {
  if (index < 1 || index > saveTypeCount() || index == saveType_) return;
  saveType_ = index;
  emit saveTypeChanged(index);
}

void Saving::setJpegQualityValue(int value) { jComp_ = std::clamp(value, kJCompMin, kJCompMax); }

void Saving::setJpegFileOptions(int smoothing, bool optimize) {
  fileParameters_.jpeg.smoothing = std::clamp(smoothing, 0, 100);
  fileParameters_.jpeg.optimize = optimize;
}

SaveOutcome Saving::save(const SaveDialogOutcome& dialog, const QualityDialog& askQuality) {
  if (!dialog.accepted()) return {};
  setSaveType(dialog.typeIndex);
  const QString fileName = nameWithTypeExtension(dialog.fileName, saveType_);
  const Bitmap& picture = studio_.image().current().bitmap;
  fileParameters_.thumbnail = thumbnailOf(picture);
  if (saveType_ == kSaveTypeJpeg) {
    if (askQuality) setJpegQualityValue(askQuality(jComp_));
    fileParameters_.jpeg.quality = jComp_;
  }
  WriteOptions options;
  options.jpeg = fileParameters_.jpeg;
  options.thumbnail = &fileParameters_.thumbnail;
  SaveOutcome outcome = writeBitmap(picture, fileName, options);
  if (outcome.saved()) studio_.setModifiedFlag(false);
  return outcome;
}

void Saving::preselectQuickExport(int item) {
  if (item < 0 || item >= static_cast<int>(kQuickExportItems.size())) return;
  setSaveType(kQuickExportItems[static_cast<std::size_t>(item)].typeIndex);
}

bool Saving::closeQuery(const std::function<CloseAnswer()>& ask, const std::function<SaveOutcome()>& saveCommand) {
  if (!studio_.modifiedFlag()) return true;
  switch (ask()) {
    case CloseAnswer::Cancel: return false;
    case CloseAnswer::No: return true;
    case CloseAnswer::Yes: return saveCommand().saved();
  }
  return false;
}

QString Saving::tempJpegPath() const {
  const QString dir = studio_.configDir().isEmpty() ? configDir() : studio_.configDir();
  return QDir(dir).filePath(QString::fromLatin1(kTempJpegName));
}

JpegEstimate Saving::estimateJpeg() const {
  JpegEstimate estimate;
  const Bitmap& source = studio_.image().layer(0).bitmap;
  const JpegOptions options = optimizeValues_.options();
  estimate.quality = options.quality;
  std::vector<std::uint8_t> buffer;
  try {
    buffer = encodeJpeg(source, options);
  } catch (const ImagingError& e) {
    estimate.tempMessage = sentence(e.what());
    return estimate;
  }
  estimate.bytes = buffer.size();
  estimate.text = destSizeText(buffer.size(), options.quality);

  // The right view shows what a decoder makes of the file; when temp.jpg cannot be written the same
  // bytes are decoded from memory so the view still tells the truth.
  const QString tempPath = tempJpegPath();
  QDir().mkpath(QFileInfo(tempPath).absolutePath());
  QSaveFile file(tempPath);
  const bool written = file.open(QIODevice::WriteOnly) &&
                       file.write(reinterpret_cast<const char*>(buffer.data()),
                                  static_cast<qint64>(buffer.size())) == static_cast<qint64>(buffer.size()) &&
                       file.commit();
  try {
    if (written) {
      estimate.tempFile = tempPath;
      estimate.decoded = readPicture(toPath(tempPath)).bitmap;
    } else {
      estimate.tempMessage = QStringLiteral("Не удалось записать «%1»: %2").arg(tempPath, file.errorString());
      estimate.decoded = decodePicture(buffer.data(), buffer.size()).bitmap;
    }
  } catch (const ImagingError& e) {
    estimate.tempMessage = sentence(e.what());
    estimate.decoded = decodePicture(buffer.data(), buffer.size()).bitmap;
  }
  return estimate;
}

SaveOutcome Saving::saveOptimizedJpeg(const QString& chosenName) const {
  if (chosenName.isEmpty()) return {};
  WriteOptions options;
  options.jpeg = optimizeValues_.options();
  return writeBitmap(studio_.image().layer(0).bitmap, nameWithJpegSuffix(chosenName), options);
}

SaveOutcome Saving::printToPdf(const QString& path) const {
  const QImage picture = pictureImage(studio_.image().current().bitmap);
  if (picture.isNull()) return failed(path, QStringLiteral("Нет изображения для печати"));
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    return failed(path, QStringLiteral("Не удалось записать «%1»: %2").arg(path, file.errorString()));
  }
  {
    QPdfWriter writer(&file);
    writer.setTitle(QString::fromUtf8(kPrintJobName));
    writer.setCreator(QString::fromUtf8(kPrintJobName));
    writer.setResolution(static_cast<int>(kPdfDotsPerInch));
    const auto orientation =
        picture.width() > picture.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), orientation,
                                     QMarginsF(kPdfMarginMillimetres, kPdfMarginMillimetres,
                                               kPdfMarginMillimetres, kPdfMarginMillimetres),
                                     QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&writer)) {
      file.cancelWriting();
      return failed(path, QStringLiteral("Не удалось начать печать в «%1»").arg(path));
    }
    paintPictureOnPage(painter, picture, QRectF(0, 0, writer.width(), writer.height()), kPdfDotsPerInch);
    painter.end();
  }
  if (!file.commit()) {
    return failed(path, QStringLiteral("Не удалось записать «%1»: %2").arg(path, file.errorString()));
  }
  SaveOutcome outcome;
  outcome.status = SaveOutcome::Status::Saved;
  outcome.fileName = path;
  return outcome;
}

}  // namespace virmeya
