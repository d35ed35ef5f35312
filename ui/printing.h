// Printing the current picture: Qt's print-preview dialog in millimetres, job "Вирмея", caption
// "Печать"; the page is painted by the saving model's routine, the same one print-pdf uses.
#pragma once

#include <QImage>

#include "imaging/bitmap.h"

class QPrinter;
class QPrintPreviewDialog;
class QWidget;

namespace virmeya {

// Job name, metric units, A4, orientation following the picture's shape.
void preparePrinter(QPrinter& printer, QSize picture);
// Paints `picture` on one page of `printer` (what the preview draws and what is printed).
void printPicture(QPrinter& printer, const QImage& picture);
// The preview dialog for `picture` on `printer` (not shown).
QPrintPreviewDialog* makePrintPreview(QWidget* parent, QPrinter* printer, const QImage& picture);
// "Печать изображения": shows the preview modally; printing itself is the dialog's.
void showPrintPreview(QWidget* parent, const Bitmap& picture);

}  // namespace virmeya
