// Apply with its processing area and opacity.
#include "effects/apply.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"
#include "imaging/ops/op_support.h"
#include "imaging/parallel.h"

namespace virmeya {

namespace {

ApplyOutcome failure(std::string message) { return ApplyOutcome{false, std::move(message)}; }

// Writes the photo layer's alpha: the weight of the untouched photo at every pixel.
void writeAreaAlpha(Bitmap& layer, ProcessingArea area, const Bitmap* maskPicture) {
  const int width = layer.width(), height = layer.height();
  if (!layer.hasAlpha()) layer.addAlpha(0);
  if (area == ProcessingArea::Borders || area == ProcessingArea::BordersContour) {
    // White from (e, e) to (W − e, H − e), both corners included; black around it.
    const int e = borderBand(width);
    const int x0 = e, x1 = std::min(width - 1, width - e);
    parallelRows(height, [&](int y0, int y1) {
      for (int y = y0; y < y1; ++y) {
        std::uint8_t* a = layer.alphaRow(y);
        std::memset(a, 0, static_cast<std::size_t>(width));
        if (y >= e && y <= height - e && x0 <= x1) std::memset(a + x0, 255, static_cast<std::size_t>(x1 - x0 + 1));
      }
    });
    return;
  }
  // A mask picture stretched without filtering: (x, y) takes (⌊x·w/W⌋, ⌊y·h/H⌋); its red channel.
  const Bitmap& mask = *maskPicture;
  std::vector<int> sourceX(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) {
    sourceX[static_cast<std::size_t>(x)] = 3 * static_cast<int>(static_cast<long long>(x) * mask.width() / width) + 2;
  }
  parallelRows(height, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      const int sy = static_cast<int>(static_cast<long long>(y) * mask.height() / height);
      const std::uint8_t* m = mask.row(sy);
      std::uint8_t* a = layer.alphaRow(y);
      for (int x = 0; x < width; ++x) a[x] = m[sourceX[static_cast<std::size_t>(x)]];
    }
  });
}

// The contour of "Границы с контуром": the rectangle (e − v, e − v) … (W − e + v, H − e + v),
// corners included, white in the effect result. W and H are the untouched photo's; the result may
// be of another size (an effect that turned the photo), so the rectangle is clipped to it.
void drawContour(Bitmap& effect, int width, int height) {
  const int e = borderBand(width);
  const int v = contourWidth(e);
  // A contour 0 pixels wide draws nothing: the result is that of "Границы".
  if (v == 0) return;
  const int x0 = std::max(0, e - v), y0 = std::max(0, e - v);
  const int x1 = std::min(effect.width() - 1, width - e + v);
  const int y1 = std::min(effect.height() - 1, height - e + v);
  if (x0 > x1 || y0 > y1) return;
  for (int y = y0; y <= y1; ++y) std::memset(effect.row(y) + 3 * x0, 255, static_cast<std::size_t>(x1 - x0 + 1) * 3);
}

// Lays `layer` (the untouched photo with its weight) over layer 0 by the merge rule. When both have
// the same size the blend runs in place and the layer's storage goes back to the pool.
void mergeOver(LayeredImage& document, Layer layer, ApplyBuffers* buffers) {
  Layer& base = document.photo();
  const bool sameExtent = document.layerCount() == 1 && base.x == 0 && base.y == 0 && !base.scaled() &&
                          base.bitmap.width() == layer.bitmap.width() &&
                          base.bitmap.height() == layer.bitmap.height();
  if (sameExtent) {
    blendLayerOnto(base.bitmap, layer, 0, 0, 0, 0, base.bitmap.width(), base.bitmap.height());
    if (buffers) buffers->photoLayer = std::move(layer.bitmap);
    return;
  }
  Layer& added = document.addLayer(std::move(layer.bitmap));
  added.transparency = layer.transparency;
  document.mergeAll();
}

Layer photoLayer(const Bitmap& committed, ApplyBuffers* buffers) {
  Layer layer;
  if (buffers) layer.bitmap = std::move(buffers->photoLayer);
  layer.bitmap.assignPixels(committed);
  layer.fitDisplayToBitmap();
  return layer;
}

Bitmap readMaskPicture(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    throw ImagingError(ImagingErrorKind::ReadFailed, "файл не найден");
  }
  DecodedPicture picture = readPicture(path);
  if (picture.bitmap.empty()) throw ImagingError(ImagingErrorKind::CorruptData, "пустое изображение");
  return std::move(picture.bitmap);
}

}  // namespace

const char* areaMaskFile(ProcessingArea area) noexcept {
  switch (area) {
    case ProcessingArea::Upper: return "Down.jpg";
    case ProcessingArea::Lower: return "Up.jpg";
    case ProcessingArea::Centre: return "Edges.jpg";
    case ProcessingArea::Oval: return "VinMax.jpg";
    default: return "";
  }
}

int borderBand(int photoWidth) noexcept { return ops::roundDivEven(7 * photoWidth, 100); }
int contourWidth(int band) noexcept { return ops::roundDivEven(band, 20); }

Bitmap areaMask(ProcessingArea area, int width, int height, const Bitmap* maskPicture) {
  Bitmap mask(width, height, kBlack);
  if (area == ProcessingArea::Whole) {
    fill(mask, kWhite);
    return mask;
  }
  if (!maskPicture && !(area == ProcessingArea::Borders || area == ProcessingArea::BordersContour)) {
    throw ImagingError(ImagingErrorKind::InvalidArgument, "нет маски области");
  }
  Bitmap weights(width, height);
  writeAreaAlpha(weights, area, maskPicture);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t a = weights.alphaRow(y)[x];
      mask.setPixel(x, y, Bgr{a, a, a});
    }
  }
  return mask;
}

void limitEffect(LayeredImage& document, const Bitmap& committed, const EffectsPanel& panel,
                 const Bitmap* maskPicture, ApplyBuffers* buffers) {
  const ProcessingArea area = panel.area();
  if (area == ProcessingArea::Whole) {
    if (!panel.opacityActive()) return;
    Layer layer = photoLayer(committed, buffers);
    layer.bitmap.dropAlpha();
    layer.transparency = std::clamp(panel.opasBar, 0, 255);
    mergeOver(document, std::move(layer), buffers);
    return;
  }
  if (area != ProcessingArea::Borders && area != ProcessingArea::BordersContour && !maskPicture) {
    throw ImagingError(ImagingErrorKind::InvalidArgument, "нет маски области");
  }
  if (area == ProcessingArea::BordersContour) {
    drawContour(document.photo().bitmap, committed.width(), committed.height());
  }
  Layer layer = photoLayer(committed, buffers);
  writeAreaAlpha(layer.bitmap, area, maskPicture);
  layer.transparency = 255;
  mergeOver(document, std::move(layer), buffers);
}

ApplyOutcome renderEffect(const Bitmap& committed, const EffectChoice& choice, const EffectContext& context,
                          Bgr background, Bitmap& result, ApplyBuffers* buffers) {
  if (committed.empty()) return failure("Нет фотографии для применения эффекта");
  if (choice.category < 0 || choice.category >= kCategoryCount) return failure("Нет такой категории эффектов");
  const EffectCategory& category = effectCategory(choice.category);
  if (choice.item < 0 || choice.item >= static_cast<int>(category.items.size())) {
    return failure("Нет такого эффекта в категории «" + std::string(category.caption) + "»");
  }
  const EffectItem& item = category.items[static_cast<std::size_t>(choice.item)];
  if (!item.available()) return failure(kNotAvailableYet);
  int variant = choice.variant;
  if (item.showsPanel()) {
    variant = 0;
  } else if (variant < 0 || variant >= item.thumbnailCount) {
    return failure("Нет варианта " + std::to_string(variant) + " у эффекта «" + std::string(item.caption) +
                   "» (варианты 0–" + std::to_string(item.thumbnailCount - 1) + ")");
  }
  if (context.panel.areaBox < 0 || context.panel.areaBox >= kAreaCount) return failure("Нет такой области обработки");

  // The mask is read before anything changes, so a missing file leaves everything as it was.
  Bitmap maskPicture;
  const char* maskFile = areaMaskFile(context.panel.area());
  if (*maskFile) {
    const std::filesystem::path path = context.content.area(maskFile);
    try {
      maskPicture = readMaskPicture(path);
    } catch (const std::exception& e) {
      return failure("Не удалось загрузить маску области «" + path.string() + "»: " + e.what());
    }
  }

  LayeredImage work;
  work.setBackground(background);
  Bitmap photo = std::move(result);
  photo.assignPixels(committed);
  work.setPhoto(std::move(photo));
  const EffectRun run{variant, false, &context.panel, &context.setup, &context.content, context.progress, context.seed};
  try {
    item.applyRoutine(work, run);
    if (work.layerCount() > 1) work.mergeAll();
    limitEffect(work, committed, context.panel, maskPicture.empty() ? nullptr : &maskPicture, buffers);
  } catch (const std::exception& e) {
    if (context.progress) context.progress->finish();
    return failure(e.what());
  }
  result = std::move(work.photo().bitmap);
  return ApplyOutcome{true, {}};
}

ApplyOutcome applyEffect(LayeredImage& document, const Bitmap& committed, const EffectChoice& choice,
                         const EffectContext& context, ApplyBuffers* buffers) {
  Bitmap result;
  if (buffers) result = std::move(buffers->result);
  ApplyOutcome outcome = renderEffect(committed, choice, context, document.background(), result, buffers);
  if (!outcome) {
    if (buffers) buffers->result = std::move(result);
    return outcome;
  }
  document.removeAllButPhoto();
  Layer& base = document.photo();
  std::swap(base.bitmap, result);
  base.x = base.y = 0;
  base.fitDisplayToBitmap();
  if (buffers) buffers->result = std::move(result);
  return outcome;
}

}  // namespace virmeya
