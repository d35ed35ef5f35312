// TIFF through libtiff, from and to memory: 8-bit RGB and grey read row by row (alpha kept exactly),
// everything else (palette, 1-bit, 16-bit, CMYK, YCbCr, tiles) through libtiff's RGBA reader;
// written as 8-bit RGB(A) with LZW compression.
#include <algorithm>
#include <cstdarg>
#include <memory>

#include <tiffio.h>

#include "imaging/codecs/codec_internal.h"

namespace virmeya::codecs {

namespace {

// libtiff allocates strips and tiles from sizes in the header; this bounds any single allocation.
constexpr tmsize_t kMaxSingleAllocation = tmsize_t{1} << 30;
constexpr std::uint8_t kMissingGrey = 128;

struct MemoryFile {
  const std::uint8_t* data = nullptr;  // reading
  Bytes* out = nullptr;                // writing
  std::uint64_t size = 0;
  std::uint64_t pos = 0;
};

tmsize_t readProc(thandle_t h, void* buffer, tmsize_t n) {
  auto* f = static_cast<MemoryFile*>(h);
  if (n < 0 || f->pos >= f->size) return 0;
  const std::uint64_t count = std::min<std::uint64_t>(static_cast<std::uint64_t>(n), f->size - f->pos);
  const std::uint8_t* src = f->data != nullptr ? f->data : f->out->data();
  std::memcpy(buffer, src + f->pos, count);
  f->pos += count;
  return static_cast<tmsize_t>(count);
}

tmsize_t writeProc(thandle_t h, void* buffer, tmsize_t n) {
  auto* f = static_cast<MemoryFile*>(h);
  if (f->out == nullptr || n < 0) return -1;
  const std::uint64_t end = f->pos + static_cast<std::uint64_t>(n);
  if (end > f->out->size()) f->out->resize(end);
  std::memcpy(f->out->data() + f->pos, buffer, static_cast<std::size_t>(n));
  f->pos = end;
  f->size = std::max<std::uint64_t>(f->size, end);
  return n;
}

toff_t seekProc(thandle_t h, toff_t offset, int whence) {
  auto* f = static_cast<MemoryFile*>(h);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) base = f->pos;
  if (whence == SEEK_END) base = f->size;
  f->pos = base + offset;
  return f->pos;
}

int closeProc(thandle_t) { return 0; }
toff_t sizeProc(thandle_t h) { return static_cast<MemoryFile*>(h)->size; }
// Reading maps the caller's buffer directly, so libtiff never copies strips it can use in place.
int mapProc(thandle_t h, void** base, toff_t* size) {
  auto* f = static_cast<MemoryFile*>(h);
  if (f->data == nullptr) return 0;
  *base = const_cast<std::uint8_t*>(f->data);
  *size = f->size;
  return 1;
}
void unmapProc(thandle_t, void*, toff_t) {}

struct Messages {
  std::string firstError;
};

int onError(TIFF*, void* user, const char*, const char* format, va_list args) {
  auto* m = static_cast<Messages*>(user);
  if (m->firstError.empty()) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    m->firstError = text;
  }
  return 1;
}

int onWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffHandle {
  TIFF* tif = nullptr;
  ~TiffHandle() {
    if (tif != nullptr) TIFFClose(tif);
  }
};

TIFF* open(MemoryFile& file, const char* mode, Messages& messages) {
  std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(TIFFOpenOptionsAlloc(), TIFFOpenOptionsFree);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxSingleAllocation);
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), onError, &messages);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), onWarning, nullptr);
  return TIFFClientOpenExt("memory", mode, &file, readProc, writeProc, seekProc, closeProc, sizeProc, mapProc,
                           unmapProc, options.get());
}

struct Layout {
  std::uint32_t width = 0, height = 0;
  std::uint16_t samples = 1, bits = 1, photometric = PHOTOMETRIC_MINISBLACK, planar = PLANARCONFIG_CONTIG;
  std::uint16_t orientation = ORIENTATION_TOPLEFT;
  std::uint16_t alphaKind = EXTRASAMPLE_UNSPECIFIED;  // of the first extra sample
  bool hasExtra = false;
};

Layout readLayout(TIFF* tif, Messages& messages) {
  Layout l;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height)) {
    corrupt(messages.firstError.empty() ? "нет размера изображения" : messages.firstError);
  }
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l.planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &l.orientation);
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.photometric)) {
    l.photometric = l.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
  }
  std::uint16_t extraCount = 0;
  std::uint16_t* extra = nullptr;
  if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0 && extra != nullptr) {
    l.hasExtra = true;
    l.alphaKind = extra[0];
  }
  return l;
}

bool isAlpha(std::uint16_t kind) { return kind == EXTRASAMPLE_ASSOCALPHA || kind == EXTRASAMPLE_UNASSALPHA; }

// Premultiplied colour back to plain colour.
inline std::uint8_t unpremultiply(std::uint8_t c, std::uint8_t a) {
  if (a == 0 || a == 255) return c;
  return static_cast<std::uint8_t>(std::min(255, (c * 255 + a / 2) / a));
}

}  // namespace

PictureInfo probeTiff(const std::uint8_t* data, std::size_t size) {
  MemoryFile file{data, nullptr, size, 0};
  Messages messages;
  TiffHandle h{open(file, "r", messages)};
  if (h.tif == nullptr) corrupt(messages.firstError);
  const Layout l = readLayout(h.tif, messages);
  PictureInfo info;
  info.width = static_cast<int>(l.width);
  info.height = static_cast<int>(l.height);
  info.alpha = l.hasExtra && isAlpha(l.alphaKind);
  info.orientation = (l.orientation >= 1 && l.orientation <= 8) ? l.orientation : 1;
  return info;
}

void decodeTiff(const std::uint8_t* data, std::size_t size, DecodedPicture& picture) {
  MemoryFile file{data, nullptr, size, 0};
  Messages messages;
  TiffHandle h{open(file, "r", messages)};
  if (h.tif == nullptr) corrupt(messages.firstError);
  TIFF* tif = h.tif;
  const Layout l = readLayout(tif, messages);
  checkDecodeSize(l.width, l.height);
  const int w = static_cast<int>(l.width), ht = static_cast<int>(l.height);
  Bitmap bitmap = Bitmap::uninitialized(w, ht);
  bool incomplete = false;

  const bool rgb = l.photometric == PHOTOMETRIC_RGB && (l.samples == 3 || l.samples == 4);
  const bool grey = l.photometric == PHOTOMETRIC_MINISBLACK && (l.samples == 1 || l.samples == 2);
  const bool direct = !TIFFIsTiled(tif) && l.planar == PLANARCONFIG_CONTIG && l.bits == 8 && (rgb || grey);
  if (direct) {
    const int channels = l.samples;
    const bool alpha = (channels == 4 || channels == 2) && isAlpha(l.alphaKind);
    const bool premultiplied = l.alphaKind == EXTRASAMPLE_ASSOCALPHA;
    if (alpha) bitmap.addAlpha();
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    if (lineSize < static_cast<tmsize_t>(w) * channels) corrupt("неверная длина строки");
    std::vector<std::uint8_t> line(static_cast<std::size_t>(lineSize));
    int y = 0;
    for (; y < ht; ++y) {
      if (TIFFReadScanline(tif, line.data(), static_cast<std::uint32_t>(y), 0) < 0) break;
      const std::uint8_t* s = line.data();
      std::uint8_t* d = bitmap.row(y);
      std::uint8_t* a = alpha ? bitmap.alphaRow(y) : nullptr;
      for (int x = 0; x < w; ++x, s += channels, d += 3) {
        const std::uint8_t av = alpha ? s[channels - 1] : 255;
        if (rgb) {
          d[0] = s[2];
          d[1] = s[1];
          d[2] = s[0];
        } else {
          d[0] = d[1] = d[2] = s[0];
        }
        if (alpha) {
          a[x] = av;
          if (premultiplied) {
            for (int c = 0; c < 3; ++c) d[c] = unpremultiply(d[c], av);
          }
        }
      }
    }
    if (y < ht) {
      if (y == 0) corrupt(messages.firstError);
      incomplete = true;
      for (; y < ht; ++y) {
        std::memset(bitmap.row(y), kMissingGrey, static_cast<std::size_t>(w) * 3);
        if (alpha) std::memset(bitmap.alphaRow(y), 255, static_cast<std::size_t>(w));
      }
    }
  } else {
    char reason[1024] = {};
    TIFFRGBAImage image{};
    if (!TIFFRGBAImageOK(tif, reason)) unsupported(std::string("вид TIFF (") + reason + ")");
    if (!TIFFRGBAImageBegin(&image, tif, 0, reason)) corrupt(reason);
    struct End {
      TIFFRGBAImage* image;
      ~End() { TIFFRGBAImageEnd(image); }
    } end{&image};
    // Rows as stored: the orientation is applied below, like for every other format.
    image.req_orientation = image.orientation;
    const std::size_t count = static_cast<std::size_t>(w) * ht;
    std::vector<std::uint32_t> raster(count, 0xFF808080u);
    if (!TIFFRGBAImageGet(&image, raster.data(), l.width, l.height)) {
      if (messages.firstError.empty()) corrupt("ошибка чтения данных");
      incomplete = true;
    }
    const bool alpha = image.alpha != 0;
    if (alpha) bitmap.addAlpha();
    for (int y = 0; y < ht; ++y) {
      const std::uint32_t* s = raster.data() + static_cast<std::size_t>(y) * w;
      std::uint8_t* d = bitmap.row(y);
      for (int x = 0; x < w; ++x, d += 3) {
        const std::uint32_t p = s[x];
        const auto av = static_cast<std::uint8_t>(TIFFGetA(p));
        d[0] = static_cast<std::uint8_t>(TIFFGetB(p));
        d[1] = static_cast<std::uint8_t>(TIFFGetG(p));
        d[2] = static_cast<std::uint8_t>(TIFFGetR(p));
        if (alpha) {
          // libtiff hands out premultiplied colour for either kind of alpha.
          for (int c = 0; c < 3; ++c) d[c] = unpremultiply(d[c], av);
          bitmap.alphaRow(y)[x] = av;
        }
      }
    }
  }
  picture.orientation = (l.orientation >= 1 && l.orientation <= 8) ? l.orientation : 1;
  applyOrientation(bitmap, picture.orientation);
  picture.bitmap = std::move(bitmap);
  picture.incomplete = incomplete;
  if (incomplete) picture.warning = "файл TIFF повреждён или обрывается: изображение загружено не полностью";
}

Bytes encodeTiff(const Bitmap& bitmap) {
  Bytes out;
  MemoryFile file{nullptr, &out, 0, 0};
  Messages messages;
  {
    TiffHandle h{open(file, "w", messages)};
    if (h.tif == nullptr) throw ImagingError(ImagingErrorKind::WriteFailed, "ошибка записи TIFF (" + messages.firstError + ")");
    TIFF* tif = h.tif;
    const bool alpha = bitmap.hasAlpha();
    const int channels = alpha ? 4 : 3;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(bitmap.width()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(bitmap.height()));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(channels));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(8));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    if (alpha) {
      const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
      TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    std::vector<std::uint8_t> line(static_cast<std::size_t>(bitmap.width()) * channels);
    for (int y = 0; y < bitmap.height(); ++y) {
      const std::uint8_t* s = bitmap.row(y);
      std::uint8_t* d = line.data();
      for (int x = 0; x < bitmap.width(); ++x, s += 3, d += channels) {
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        if (alpha) d[3] = bitmap.alphaRow(y)[x];
      }
      if (TIFFWriteScanline(tif, line.data(), static_cast<std::uint32_t>(y), 0) < 0) {
        throw ImagingError(ImagingErrorKind::WriteFailed, "ошибка записи TIFF (" + messages.firstError + ")");
      }
    }
    if (!TIFFWriteDirectory(tif)) {
      throw ImagingError(ImagingErrorKind::WriteFailed, "ошибка записи TIFF (" + messages.firstError + ")");
    }
  }
  out.resize(file.size);
  return out;
}

}  // namespace virmeya::codecs
