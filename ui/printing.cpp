// The print preview of the current picture.
#include "ui/printing.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "workspace/saving.h"

namespace virmeya {

namespace {
constexpr double kMarginMillimetres = 10.0;
}

void preparePrinter(QPrinter& printer, QSize picture) {
  printer.setDocName(QString::fromUtf8(kPrintJobName));
  printer.setCreator(QString::fromUtf8(kPrintJobName));
  // Qt's page dialogs measure in the units of the page layout; millimetres are its metric unit.
  const auto orientation = picture.width() > picture.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
  printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), orientation,
                                    QMarginsF(kMarginMillimetres, kMarginMillimetres, kMarginMillimetres,
                                              kMarginMillimetres),
                                    QPageLayout::Millimeter));
}

void printPicture(QPrinter& printer, const QImage& picture) {
  QPainter painter;
  if (!painter.begin(&printer)) return;
  const QRectF page(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size());
  paintPictureOnPage(painter, picture, page, printer.resolution());
  painter.end();
}

QPrintPreviewDialog* makePrintPreview(QWidget* parent, QPrinter* printer, const QImage& picture) {
  auto* dialog = new QPrintPreviewDialog(printer, parent);
  dialog->setObjectName(QStringLiteral("PrintPreview"));
  dialog->setWindowTitle(QString::fromUtf8(kPrintCaption));
  QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, dialog,
                   [picture](QPrinter* target) { printPicture(*target, picture); });
  return dialog;
}

void showPrintPreview(QWidget* parent, const Bitmap& bitmap) {
  const QImage picture = pictureImage(bitmap);
  if (picture.isNull()) return;
  QPrinter printer(QPrinter::HighResolution);
  preparePrinter(printer, picture.size());
  std::unique_ptr<QPrintPreviewDialog> dialog(makePrintPreview(parent, &printer, picture));
  dialog->exec();
}

}  // namespace virmeya
