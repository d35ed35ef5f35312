// "JPEG - оптимизация": the photo beside the same photo as a JPEG decoder sees it at the chosen
// quality, smoothing and Huffman coding, with both sizes, and a save as JPEG.
#pragma once

#include <QDialog>

#include <functional>

#include "imaging/layered_image.h"
#include "workspace/saving.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;
class QStatusBar;

namespace virmeya {

class ImageView;

class JpegOptimizeDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr QSize kSourceViewSize{401, 281};
  static constexpr QSize kJpegViewSize{425, 281};

  explicit JpegOptimizeDialog(Saving& saving, QWidget* parent = nullptr);
  ~JpegOptimizeDialog() override;

  // The JPEG save box and the error message, replaceable so that tests run without modal windows.
  std::function<QString()> jpegSaveDialog;
  std::function<void(const QString&)> errorMessage;

  // Activation: SR takes layer 0, Source shows its size, then the estimate runs.
  void activate();
  // "Просмотр": the estimate with the controls' values; DS shows the decoded temp.jpg.
  void estimate();
  // "Сохранить": the JPEG save box, then the write; the dialog closes either way.
  void saveAndClose();

  ImageView* sourceView() const { return sr_; }
  ImageView* jpegView() const { return ds_; }
  const LayeredImage& sourcePicture() const { return srImage_; }
  const LayeredImage& jpegPicture() const { return dsImage_; }
  QLabel* sourceText() const { return source_; }
  QLabel* destText() const { return dest_; }
  QSlider* compress() const { return compress_; }
  QSlider* smooth() const { return smooth_; }
  QCheckBox* optimal() const { return optimal_; }
  QStatusBar* statusBar() const { return status_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void showPicture(ImageView* view, LayeredImage& document, Bitmap picture);
  void controlsToModel();

  Saving& saving_;
  LayeredImage srImage_;
  LayeredImage dsImage_;
  ImageView* sr_ = nullptr;
  ImageView* ds_ = nullptr;
  QLabel* source_ = nullptr;
  QLabel* dest_ = nullptr;
  QSlider* compress_ = nullptr;
  QSlider* smooth_ = nullptr;
  QCheckBox* optimal_ = nullptr;
  QStatusBar* status_ = nullptr;
};

}  // namespace virmeya
