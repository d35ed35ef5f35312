// The JPEG optimisation dialog.
#include "ui/jpeg_optimize_dialog.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/image_view.h"
#include "ui/save_dialogs.h"
#include "workspace/studio.h"

namespace virmeya {

namespace {

constexpr const char* kStatusText =
    "Для масштабирования фото кликните по нему мышью и используйте колесо прокрутки. "
    "Для просмотра изменений нажмите \"Просмотр\"";

QSlider* makeSlider(const JpegOptimizeControl& control, QWidget* parent) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setObjectName(QString::fromLatin1(control.name));
  slider->setRange(control.min, control.max);
  slider->setValue(control.start);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(kJpegSliderTickInterval);
  return slider;
}

QLabel* makePanel(const char* name, QWidget* parent) {
  auto* panel = new QLabel(parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);
  panel->setAlignment(Qt::AlignCenter);
  return panel;
}

}  // namespace

JpegOptimizeDialog::JpegOptimizeDialog(Saving& saving, QWidget* parent) : QDialog(parent), saving_(saving) {
  setObjectName(QStringLiteral("TVisualJPEG"));
  setWindowTitle(QStringLiteral("JPEG - оптимизация"));
  setModal(true);

  auto* outer = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  outer->addLayout(grid);
  grid->addWidget(new QLabel(QStringLiteral("Исходное изображение"), this), 0, 0);
  grid->addWidget(new QLabel(QStringLiteral("Изображение в формате JPEG"), this), 0, 1);
  sr_ = new ImageView(this);
  sr_->setObjectName(QStringLiteral("SR"));
  sr_->setFixedSize(kSourceViewSize);
  ds_ = new ImageView(this);
  ds_->setObjectName(QStringLiteral("DS"));
  ds_->setFixedSize(kJpegViewSize);
  for (ImageView* view : {sr_, ds_}) {
    // The wheel zooms a view only once it was clicked; before that it scrolls nothing.
    view->setFocusPolicy(Qt::ClickFocus);
    view->viewport()->installEventFilter(this);
  }
  grid->addWidget(sr_, 1, 0);
  grid->addWidget(ds_, 1, 1);
  source_ = makePanel("Source", this);
  dest_ = makePanel("Dest", this);
  grid->addWidget(source_, 2, 0);
  grid->addWidget(dest_, 2, 1);

  auto* controls = new QGridLayout;
  outer->addLayout(controls);
  compress_ = makeSlider(kCompressControl, this);
  smooth_ = makeSlider(kSmoothControl, this);
  controls->addWidget(new QLabel(QString::fromUtf8(kCompressControl.caption), this), 0, 0);
  controls->addWidget(compress_, 0, 1);
  controls->addWidget(new QLabel(QString::fromUtf8(kSmoothControl.caption), this), 1, 0);
  controls->addWidget(smooth_, 1, 1);
  optimal_ = new QCheckBox(QString::fromUtf8(kOptimalControl.caption), this);
  optimal_->setObjectName(QString::fromLatin1(kOptimalControl.name));
  optimal_->setChecked(kOptimalControl.start != 0);
  controls->addWidget(optimal_, 2, 0, 1, 2);

  auto* buttons = new QHBoxLayout;
  outer->addLayout(buttons);
  auto* preview = new QPushButton(QStringLiteral("Просмотр"), this);
  preview->setObjectName(QStringLiteral("PreviewButton"));
  auto* save = new QPushButton(QStringLiteral("Сохранить"), this);
  save->setObjectName(QStringLiteral("SaveButton"));
  auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
  close->setObjectName(QStringLiteral("CloseButton"));
  buttons->addStretch(1);
  buttons->addWidget(preview);
  buttons->addWidget(save);
  buttons->addWidget(close);

  status_ = new QStatusBar(this);
  status_->setSizeGripEnabled(false);
  auto* statusText = new QLabel(QString::fromUtf8(kStatusText), status_);
  statusText->setObjectName(QStringLiteral("StatusText"));
  status_->addWidget(statusText, 1);
  outer->addWidget(status_);

  connect(compress_, &QSlider::valueChanged, this, &JpegOptimizeDialog::controlsToModel);
  connect(smooth_, &QSlider::valueChanged, this, &JpegOptimizeDialog::controlsToModel);
  connect(optimal_, &QCheckBox::toggled, this, &JpegOptimizeDialog::controlsToModel);
  connect(preview, &QPushButton::clicked, this, &JpegOptimizeDialog::estimate);
  connect(save, &QPushButton::clicked, this, &JpegOptimizeDialog::saveAndClose);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);

  jpegSaveDialog = [this] { return runJpegSaveDialog(this); };
  errorMessage = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };
}

JpegOptimizeDialog::~JpegOptimizeDialog() = default;

void JpegOptimizeDialog::controlsToModel() {
  JpegOptimizeValues& values = saving_.jpegOptimizeValues();
  values.compress = compress_->value();
  values.smooth = smooth_->value();
  values.optimal = optimal_->isChecked();
}

void JpegOptimizeDialog::showPicture(ImageView* view, LayeredImage& document, Bitmap picture) {
  const QSize size(picture.width(), picture.height());
  document.setPhoto(std::move(picture));
  view->setDocument(&document);
  // Fitted into the view, never enlarged.
  const QSize room = view->maximumViewportSize();
  double zoom = 100.0;
  if (!size.isEmpty()) {
    zoom = std::min({100.0, 100.0 * room.width() / size.width(), 100.0 * room.height() / size.height()});
  }
  view->setZoom(zoom);
}

void JpegOptimizeDialog::activate() {
  const Bitmap& layer0 = saving_.studio().image().layer(0).bitmap;
  showPicture(sr_, srImage_, layer0.copyPixels());
  source_->setText(sourceSizeText(layer0.width(), layer0.height()));
  estimate();
}

void JpegOptimizeDialog::estimate() {
  // The controls are the state: what they show is what the estimate uses.
  controlsToModel();
  JpegEstimate result = saving_.estimateJpeg();
  dest_->setText(result.text);
  if (!result.tempMessage.isEmpty()) status_->showMessage(result.tempMessage, 10000);
  if (!result.decoded.empty()) showPicture(ds_, dsImage_, std::move(result.decoded));
}

void JpegOptimizeDialog::saveAndClose() {
  const QString name = jpegSaveDialog();
  if (!name.isEmpty()) {
    controlsToModel();
    const SaveOutcome outcome = saving_.saveOptimizedJpeg(name);
    if (outcome.status == SaveOutcome::Status::Failed) errorMessage(outcome.message);
  }
  accept();
}

void JpegOptimizeDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The controls keep their values between uses; the views are rebuilt on every activation.
  const JpegOptimizeValues& values = saving_.jpegOptimizeValues();
  compress_->setValue(values.compress);
  smooth_->setValue(values.smooth);
  optimal_->setChecked(values.optimal);
  activate();
}

void JpegOptimizeDialog::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  // Two full-size copies of a photo are too much to hold while the dialog is closed; every
  // activation builds the views again anyway.
  showPicture(sr_, srImage_, Bitmap(1, 1));
  showPicture(ds_, dsImage_, Bitmap(1, 1));
}

bool JpegOptimizeDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel) {
    for (ImageView* view : {sr_, ds_}) {
      if (watched == view->viewport() && !view->hasFocus()) return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace virmeya
