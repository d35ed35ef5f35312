// The saving dialogs offscreen: "Настройка качества JPEG", the save dialogs with their type list and
// overwrite question, "JPEG - оптимизация" with every control, the print preview, and the window's
// saving commands and close question.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "tests/ui/ui_test_support.h"
#include "ui/image_view.h"
#include "ui/jpeg_optimize_dialog.h"
#include "ui/main_window.h"
#include "ui/printing.h"
#include "ui/save_dialogs.h"
#include "workspace/saving.h"
#include "workspace/studio.h"

namespace virmeya {
namespace {

// A picture with structure, so JPEG sizes depend on the quality.
Bitmap bands(int w, int h) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      b.setPixel(x, y, Bgr{static_cast<std::uint8_t>(x * 5 + y), static_cast<std::uint8_t>(y * 7),
                           static_cast<std::uint8_t>((x ^ y) * 3)});
    }
  }
  return b;
}

class SavingUiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::app();
    ASSERT_TRUE(dir.isValid());
    studio.setConfigDir(dir.filePath("config"));
    const QString photo = dir.filePath("photo.png");
    writePicture(bands(120, 90), photo.toStdString());
    ASSERT_TRUE(studio.openPhoto(photo).ok());
  }

  QTemporaryDir dir;
  Studio studio;
};

// Runs `action` once the next modal loop has started.
void whenModal(std::function<void()> action) { QTimer::singleShot(0, std::move(action)); }

TEST_F(SavingUiTest, JpegQualityDialogControls) {
  JpegQualityDialog dialog;
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Настройка качества JPEG"));
  QSpinBox* jComp = dialog.findChild<QSpinBox*>("JComp");
  ASSERT_EQ(jComp, dialog.jComp());
  EXPECT_EQ(jComp->minimum(), 5);
  EXPECT_EQ(jComp->maximum(), 100);
  EXPECT_EQ(jComp->value(), 80);
  bool labelled = false;
  for (QLabel* l : dialog.findChildren<QLabel*>()) labelled |= l->text() == QString::fromUtf8("Качество изображения");
  EXPECT_TRUE(labelled);
  QPushButton* save = dialog.findChild<QPushButton*>("SaveButton");
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(save->text(), QString::fromUtf8("Сохранить"));

  // "Сохранить" closes the dialog with the value chosen.
  whenModal([&] {
    jComp->setValue(55);
    save->click();
  });
  EXPECT_EQ(dialog.ask(80), 55);
  EXPECT_FALSE(dialog.isVisible());
  // Closed another way, the value counts too; the spin edit keeps the start value it was given.
  whenModal([&] {
    EXPECT_EQ(jComp->value(), 40);
    jComp->setValue(33);
    dialog.reject();
  });
  EXPECT_EQ(dialog.ask(40), 33);
}

TEST_F(SavingUiTest, PictureSaveDialogListsTheTypesAndSuppliesTheExtension) {
  std::unique_ptr<PictureSaveDialog> sava(PictureSaveDialog::makePictureDialog(nullptr, kSaveTypeTiff));
  EXPECT_EQ(sava->objectName(), "Sava");
  EXPECT_EQ(sava->acceptMode(), QFileDialog::AcceptSave);
  EXPECT_EQ(sava->nameFilters(), saveTypeFilters());
  EXPECT_TRUE(sava->nameFilters().at(0).startsWith("TIFF"));
  EXPECT_TRUE(sava->nameFilters().at(6).contains("*.png"));
  EXPECT_EQ(sava->selectedNameFilter(), saveTypeFilter(kSaveTypeTiff));
  sava->setDirectory(dir.path());
  sava->selectFile(dir.filePath("holiday"));
  EXPECT_EQ(sava->finalName(), dir.filePath("holiday.tif"));
  sava->selectNameFilter(saveTypeFilter(kSaveTypePng));
  EXPECT_EQ(sava->finalName(), dir.filePath("holiday.png"));
}

TEST_F(SavingUiTest, OverwriteQuestionGuardsTheNameReallyWritten) {
  QFile existing(dir.filePath("taken.jpg"));
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.close();
  std::unique_ptr<PictureSaveDialog> sava(PictureSaveDialog::makePictureDialog(nullptr, kSaveTypeJpeg));
  sava->setDirectory(dir.path());
  QStringList asked;
  bool answer = false;
  sava->setOverwriteQuestion([&](const QString& name) {
    asked << name;
    return answer;
  });
  sava->show();
  sava->selectFile(dir.filePath("taken"));  // "taken.jpg" is what would be written
  sava->accept();
  ASSERT_EQ(asked, QStringList{dir.filePath("taken.jpg")});
  EXPECT_TRUE(sava->isVisible());  // "Нет": the dialog stays for another name
  answer = true;
  sava->accept();
  EXPECT_EQ(sava->result(), QDialog::Accepted);
  sava->hide();

  // A new name asks nothing.
  std::unique_ptr<PictureSaveDialog> fresh(PictureSaveDialog::makePictureDialog(nullptr, kSaveTypePng));
  fresh->setDirectory(dir.path());
  fresh->setOverwriteQuestion([&](const QString& name) {
    asked << name;
    return false;
  });
  fresh->show();
  fresh->selectFile(dir.filePath("new"));
  fresh->accept();
  EXPECT_EQ(fresh->result(), QDialog::Accepted);
  EXPECT_EQ(asked.size(), 2);
}

TEST_F(SavingUiTest, JpegSaveBoxHasOneFilterAndTheMendedSuffix) {
  std::unique_ptr<PictureSaveDialog> box(PictureSaveDialog::makeJpegDialog(nullptr));
  EXPECT_EQ(box->objectName(), "SaveJPEG");
  EXPECT_EQ(box->nameFilters(), QStringList{"JPEG Image File (*.jpg)"});
  box->setDirectory(dir.path());
  box->selectFile(dir.filePath("a.jpg"));
  EXPECT_EQ(box->finalName(), dir.filePath("a.jpg"));
  box->selectFile(dir.filePath("b"));
  EXPECT_EQ(box->finalName(), dir.filePath("b.jpg"));
}

TEST_F(SavingUiTest, OptimizeDialogControls) {
  JpegOptimizeDialog dialog(Saving::of(studio));
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("JPEG - оптимизация"));
  ImageView* sr = dialog.findChild<ImageView*>("SR");
  ImageView* ds = dialog.findChild<ImageView*>("DS");
  ASSERT_TRUE(sr && ds);
  EXPECT_EQ(sr->size(), QSize(401, 281));
  EXPECT_EQ(ds->size(), QSize(425, 281));
  struct SliderCase {
    const char* name;
    int min, max, start;
  } sliders[] = {{"Compress", 1, 100, 80}, {"Smooth", 0, 100, 0}};
  for (const SliderCase& c : sliders) {
    QSlider* s = dialog.findChild<QSlider*>(c.name);
    ASSERT_NE(s, nullptr) << c.name;
    EXPECT_EQ(s->minimum(), c.min);
    EXPECT_EQ(s->maximum(), c.max);
    EXPECT_EQ(s->value(), c.start);
    EXPECT_EQ(s->tickInterval(), 10);
    EXPECT_NE(s->tickPosition(), QSlider::NoTicks);
  }
  QCheckBox* optimal = dialog.findChild<QCheckBox*>("Optimal");
  ASSERT_NE(optimal, nullptr);
  EXPECT_FALSE(optimal->isChecked());
  EXPECT_EQ(optimal->text(), QString::fromUtf8("Оптимальный алгоритм сжатия"));
  QStringList labels;
  for (QLabel* l : dialog.findChildren<QLabel*>()) labels << l->text();
  for (const char* text : {"Исходное изображение", "Изображение в формате JPEG", "Качество картинки", "Сглаживание"}) {
    EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;
  }
  EXPECT_TRUE(labels.contains(QString::fromUtf8(
      "Для масштабирования фото кликните по нему мышью и используйте колесо прокрутки. Для просмотра "
      "изменений нажмите \"Просмотр\"")));
  QStringList buttons;
  for (QPushButton* b : dialog.findChildren<QPushButton*>()) buttons << b->text();
  for (const char* text : {"Просмотр", "Сохранить", "Закрыть"}) {
    EXPECT_TRUE(buttons.contains(QString::fromUtf8(text))) << text;
  }
  EXPECT_NE(dialog.findChild<QLabel*>("Source"), nullptr);
  EXPECT_NE(dialog.findChild<QLabel*>("Dest"), nullptr);
}

TEST_F(SavingUiTest, OptimizeDialogEstimatesOnActivationAndOnPreviewOnly) {
  JpegOptimizeDialog dialog(Saving::of(studio));
  const Bitmap& layer0 = studio.image().layer(0).bitmap;
  dialog.show();  // activation
  EXPECT_EQ(dialog.sourceText()->text(), sourceSizeText(120, 90));
  EXPECT_EQ(dialog.sourceText()->text(), QString::fromUtf8("Размер 32 Kb"));  // 31.64
  const auto at80 = encodeJpeg(layer0, JpegOptions{80, 0, false});
  EXPECT_EQ(dialog.destText()->text(), destSizeText(at80.size(), 80));
  EXPECT_TRUE(dialog.sourcePicture().photo().bitmap.samePixels(layer0));
  const Bitmap decoded80 = decodePicture(at80.data(), at80.size()).bitmap;
  EXPECT_TRUE(dialog.jpegPicture().photo().bitmap.samePixels(decoded80));
  EXPECT_TRUE(QFile::exists(QDir(studio.configDir()).filePath("temp.jpg")));

  // Moving the slider changes nothing on the right until "Просмотр".
  dialog.compress()->setValue(100);
  EXPECT_EQ(dialog.destText()->text(), destSizeText(at80.size(), 80));
  EXPECT_TRUE(dialog.jpegPicture().photo().bitmap.samePixels(decoded80));
  dialog.findChild<QPushButton*>("PreviewButton")->click();
  const auto at100 = encodeJpeg(layer0, JpegOptions{100, 0, false});
  EXPECT_EQ(dialog.destText()->text(), destSizeText(at100.size(), 100));
  EXPECT_GT(at100.size(), at80.size());
  EXPECT_FALSE(dialog.jpegPicture().photo().bitmap.samePixels(decoded80));
  dialog.findChild<QPushButton*>("CloseButton")->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(dialog.sourcePicture().photo().bitmap.width(), 1);  // the copies are let go when closed
  EXPECT_EQ(dialog.jpegPicture().photo().bitmap.width(), 1);
  // The values last: reopened, the dialog starts where it was left.
  dialog.show();
  EXPECT_EQ(dialog.compress()->value(), 100);
  EXPECT_EQ(dialog.destText()->text(), destSizeText(at100.size(), 100));
  dialog.hide();
}

TEST_F(SavingUiTest, OptimizeDialogSaveWritesOnceSuffixedAndCloses) {
  JpegOptimizeDialog dialog(Saving::of(studio));
  int boxes = 0;
  QString chosen = dir.filePath("small.jpg");
  dialog.jpegSaveDialog = [&] {
    ++boxes;
    return chosen;
  };
  dialog.show();
  dialog.compress()->setValue(30);
  dialog.optimal()->setChecked(true);
  dialog.findChild<QPushButton*>("SaveButton")->click();
  EXPECT_EQ(boxes, 1);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(QFile::exists(chosen));
  EXPECT_FALSE(QFile::exists(chosen + ".jpg"));
  QFile f(chosen);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const auto expected = encodeJpeg(studio.image().layer(0).bitmap, JpegOptions{30, 0, true});
  EXPECT_EQ(f.readAll(), QByteArray(reinterpret_cast<const char*>(expected.data()), qsizetype(expected.size())));
  EXPECT_FALSE(studio.modifiedFlag());

  // A cancelled box writes nothing and the dialog still closes.
  chosen.clear();
  dialog.show();
  dialog.findChild<QPushButton*>("SaveButton")->click();
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(SavingUiTest, ViewsZoomWithTheWheelOnlyAfterAClick) {
  studio.image().setPhoto(bands(1600, 1200));
  JpegOptimizeDialog dialog(Saving::of(studio));
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  for (ImageView* view : {dialog.sourceView(), dialog.jpegView()}) {
    const double fitted = view->zoom();
    EXPECT_LT(fitted, 100.0);  // a big photo is fitted into the view
    const QPointF centre = QRectF(view->viewport()->rect()).center();
    auto wheel = [&] {
      QWheelEvent event(centre, view->viewport()->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                        Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(view->viewport(), &event);
    };
    wheel();
    EXPECT_EQ(view->zoom(), fitted);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    ASSERT_TRUE(view->hasFocus());
    wheel();
    EXPECT_GT(view->zoom(), fitted);
  }
  dialog.hide();
}

TEST_F(SavingUiTest, PrintPreviewAndPrintedPage) {
  QPrinter printer(QPrinter::HighResolution);
  const QImage picture = pictureImage(studio.image().current().bitmap);
  preparePrinter(printer, picture.size());
  EXPECT_EQ(printer.docName(), QString::fromUtf8("Вирмея"));
  EXPECT_EQ(printer.pageLayout().units(), QPageLayout::Millimeter);
  EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);  // 120 × 90
  std::unique_ptr<QPrintPreviewDialog> preview(makePrintPreview(nullptr, &printer, picture));
  EXPECT_EQ(preview->windowTitle(), QString::fromUtf8("Печать"));

  // Printing to a PDF file goes through the same painting.
  const QString pdf = dir.filePath("printed.pdf");
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  printPicture(printer, picture);
  QFile f(pdf);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF"));
  EXPECT_TRUE(bytes.contains("/Image"));
}

// ---- the window's commands

class SavingWindowTest : public SavingUiTest {
 protected:
  void SetUp() override {
    SavingUiTest::SetUp();
    window = std::make_unique<MainWindow>(studio);
    actions = window->findChild<SavingActions*>("SavingActions");
    ASSERT_NE(actions, nullptr);
    actions->saveDialog = [this](int type) {
      dialogTypes.push_back(type);
      return SaveDialogOutcome{dialogAnswer, type};
    };
    actions->qualityDialog = [this](int current) {
      ++qualityAsked;
      return current;
    };
    actions->closeQuestion = [this] {
      ++closeAsked;
      return closeAnswer;
    };
    actions->errorMessage = [this](const QString& text) { errors << text; };
  }

  void trigger(const char* name) {
    QAction* a = window->command(name);
    ASSERT_NE(a, nullptr) << name;
    ASSERT_TRUE(a->isEnabled()) << name;
    a->trigger();
  }

  std::unique_ptr<MainWindow> window;
  SavingActions* actions = nullptr;
  std::vector<int> dialogTypes;
  QString dialogAnswer;
  int qualityAsked = 0;
  int closeAsked = 0;
  CloseAnswer closeAnswer = CloseAnswer::Cancel;
  QStringList errors;
};

TEST_F(SavingWindowTest, SaveAndQuickExportKeepTheType) {
  EXPECT_EQ(window->command("N10")->shortcut(), QKeySequence("Ctrl+S"));
  studio.notifyImageChanged();
  dialogAnswer = dir.filePath("one");
  trigger("N10");
  EXPECT_EQ(dialogTypes, std::vector<int>{kSaveTypeJpeg});
  EXPECT_EQ(qualityAsked, 1);
  EXPECT_TRUE(QFile::exists(dir.filePath("one.jpg")));
  EXPECT_FALSE(studio.modifiedFlag());

  dialogAnswer = dir.filePath("two");
  trigger("IFF1");  // "Быстрый экспорт" > "TIFF"
  trigger("N10");
  EXPECT_EQ(dialogTypes, (std::vector<int>{kSaveTypeJpeg, kSaveTypeTiff, kSaveTypeTiff}));
  EXPECT_EQ(qualityAsked, 1);  // not asked for TIFF
  EXPECT_TRUE(QFile::exists(dir.filePath("two.tif")));
  const std::pair<const char*, int> items[] = {{"BMP1", 5}, {"JPEG2", 3}, {"PNG1", 7}, {"GIF1", 2}};
  for (const auto& [name, type] : items) {
    trigger(name);
    EXPECT_EQ(dialogTypes.back(), type) << name;
  }
  EXPECT_EQ(qualityAsked, 2);  // the JPEG item asked
}

TEST_F(SavingWindowTest, FailedSaveIsReportedAndKeepsTheFlag) {
  studio.notifyImageChanged();
  dialogAnswer = dir.filePath("missing-folder/photo.png");
  trigger("N10");
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors.first().contains(dialogAnswer));
  EXPECT_TRUE(studio.modifiedFlag());
}

TEST_F(SavingWindowTest, CloseQuestionKeepsTheWindowWhenTheSaveDidNotHappen) {
  window->show();
  // Unmodified: closes without asking.
  window->close();
  EXPECT_EQ(closeAsked, 0);
  EXPECT_FALSE(window->isVisible());

  window->show();
  studio.notifyImageChanged();
  closeAnswer = CloseAnswer::Cancel;
  window->close();
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(dialogTypes.empty());

  // Yes, then the save dialog cancelled: the window stays open and the work is kept.
  closeAnswer = CloseAnswer::Yes;
  dialogAnswer.clear();
  trigger("N16");  // "Выход" passes through the question
  EXPECT_EQ(closeAsked, 2);
  EXPECT_EQ(dialogTypes.size(), 1u);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(studio.modifiedFlag());

  // Yes and a saved file: the window closes.
  dialogAnswer = dir.filePath("final.png");
  window->close();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(QFile::exists(dialogAnswer));

  window->show();
  studio.notifyImageChanged();
  closeAnswer = CloseAnswer::No;
  window->close();
  EXPECT_FALSE(window->isVisible());
}

TEST_F(SavingWindowTest, CopyPutsTheCurrentPictureOnTheClipboard) {
  EXPECT_EQ(window->command("N21")->shortcut(), QKeySequence("Ctrl+C"));
  studio.image().addLayer(bands(7, 5));  // a pending layer is the current picture
  trigger("N21");
  const QImage copied = qvariant_cast<QImage>(QApplication::clipboard()->mimeData()->imageData());
  ASSERT_EQ(copied.size(), QSize(7, 5));
  EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB888), pictureImage(bands(7, 5)).convertToFormat(QImage::Format_RGB888));
}

}  // namespace
}  // namespace virmeya
