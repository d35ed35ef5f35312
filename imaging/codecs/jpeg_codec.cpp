// JPEG through libjpeg-turbo: decoding straight into BGR rows (grey, CMYK, YCCK, progressive, EXIF
// orientation, truncated files reported as incomplete) and encoding with quality, smoothing and
// optimal Huffman tables.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/codecs/codec_internal.h"

namespace virmeya::codecs {

namespace {

// A hostile progressive file can hold thousands of tiny scans, each a full pass over the picture.
constexpr int kMaxProgressiveScans = 500;
constexpr int kRowsPerRead = 16;
constexpr unsigned kExifMarker = JPEG_APP0 + 1;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  std::string message;
  bool sawEof = false;       // the data ran out (libjpeg then inserts a fake end marker)
  bool hitMissingData = false;  // the entropy decoder needed bits that were not there
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (err->message.empty()) {
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    err->message = text;
  }
  std::longjmp(err->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (level >= 0) return;  // trace messages
  if (cinfo->err->msg_code == JWRN_JPEG_EOF) err->sawEof = true;
  if (cinfo->err->msg_code == JWRN_HIT_MARKER) err->hitMissingData = true;
  cinfo->err->num_warnings++;
}

void outputNothing(j_common_ptr) {}

void progressMonitor(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxProgressiveScans) {
    reinterpret_cast<ErrorManager*>(cinfo->err)->message =
        "слишком много проходов прогрессивного JPEG (больше " + std::to_string(kMaxProgressiveScans) + ")";
    errorExit(cinfo);
  }
}

void installErrors(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = errorExit;
  err.pub.emit_message = emitMessage;
  err.pub.output_message = outputNothing;
}

struct Decompressor {
  jpeg_decompress_struct cinfo{};
  ErrorManager err;
  jpeg_progress_mgr progress{};
  Decompressor() {
    installErrors(err);
    cinfo.err = &err.pub;
  }
  ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
};

int orientationFromMarkers(const jpeg_decompress_struct& cinfo) {
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
    if (m->marker == kExifMarker && m->data_length > 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) {
      return exifOrientation(m->data + 6, m->data_length - 6);
    }
  }
  return 1;
}

[[noreturn]] void failFrom(const ErrorManager& err) {
  // libjpeg's English text stays in the parentheses: it is what a bug report needs.
  corrupt(err.message);
}

// A progressive picture whose data stopped between scans decodes without any missing-bits warning,
// but some coefficients never reached full precision.
bool progressiveUnfinished(const jpeg_decompress_struct& cinfo) {
  if (!cinfo.progressive_mode || cinfo.coef_bits == nullptr) return false;
  for (int c = 0; c < cinfo.num_components; ++c) {
    for (int k = 0; k < DCTSIZE2; ++k) {
      if (cinfo.coef_bits[c][k] != 0) return true;
    }
  }
  return false;
}

// CMYK as libjpeg hands it out. Adobe's writers store the inks inverted (0 = full ink), and they
// mark their files with the APP14 marker; files without it store plain ink amounts.
void cmykRowToBgr(const std::uint8_t* cmyk, std::uint8_t* bgr, int width, bool inverted) {
  for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    bgr[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
    bgr[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
    bgr[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
  }
}

}  // namespace

PictureInfo probeJpeg(const std::uint8_t* data, std::size_t size) {
  Decompressor d;
  PictureInfo info;
  info.format = PictureFormat::Jpeg;
  if (setjmp(d.err.jump)) failFrom(d.err);
  jpeg_create_decompress(&d.cinfo);
  jpeg_mem_src(&d.cinfo, data, static_cast<unsigned long>(size));
  jpeg_save_markers(&d.cinfo, kExifMarker, 0xFFFF);
  jpeg_read_header(&d.cinfo, TRUE);
  info.width = static_cast<int>(d.cinfo.image_width);
  info.height = static_cast<int>(d.cinfo.image_height);
  info.orientation = orientationFromMarkers(d.cinfo);
  return info;
}

void decodeJpeg(const std::uint8_t* data, std::size_t size, DecodedPicture& picture) {
  Decompressor d;
  jpeg_decompress_struct& cinfo = d.cinfo;
  // Declared before setjmp so that a longjmp never skips a destructor.
  Bitmap bitmap;
  std::unique_ptr<std::uint8_t[]> cmykRows;
  JSAMPROW rows[kRowsPerRead];
  if (setjmp(d.err.jump)) failFrom(d.err);

  jpeg_create_decompress(&cinfo);
  d.progress.progress_monitor = progressMonitor;
  cinfo.progress = &d.progress;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_save_markers(&cinfo, kExifMarker, 0xFFFF);
  jpeg_read_header(&cinfo, TRUE);
  if (d.err.sawEof) corrupt("файл обрывается в заголовке");
  checkDecodeSize(cinfo.image_width, cinfo.image_height);
  // Saved markers live in the picture's memory pool, which finishing the decompression frees.
  picture.orientation = orientationFromMarkers(cinfo);

  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  // Bounds libjpeg's own buffers (the whole-picture coefficient store of progressive files).
  cinfo.mem->max_memory_to_use = 4000L * 1000 * 1000;
  jpeg_start_decompress(&cinfo);

  const int width = static_cast<int>(cinfo.output_width);
  const int height = static_cast<int>(cinfo.output_height);
  if (picture.bitmap.width() == width && picture.bitmap.height() == height) {
    bitmap = std::move(picture.bitmap);
    bitmap.dropAlpha();
  } else {
    picture.bitmap = Bitmap();
    bitmap = Bitmap::uninitialized(width, height);
  }
  if (cmyk) {
    const bool inverted = cinfo.saw_Adobe_marker;
    cmykRows.reset(new std::uint8_t[static_cast<std::size_t>(width) * 4 * kRowsPerRead]);
    while (cinfo.output_scanline < cinfo.output_height) {
      const int y0 = static_cast<int>(cinfo.output_scanline);
      const int n = std::min(kRowsPerRead, height - y0);
      for (int i = 0; i < n; ++i) rows[i] = cmykRows.get() + static_cast<std::size_t>(i) * width * 4;
      const int got = static_cast<int>(jpeg_read_scanlines(&cinfo, rows, n));
      for (int i = 0; i < got; ++i) cmykRowToBgr(rows[i], bitmap.row(y0 + i), width, inverted);
    }
  } else {
    while (cinfo.output_scanline < cinfo.output_height) {
      const int y0 = static_cast<int>(cinfo.output_scanline);
      const int n = std::min(kRowsPerRead, height - y0);
      for (int i = 0; i < n; ++i) rows[i] = bitmap.row(y0 + i);
      jpeg_read_scanlines(&cinfo, rows, n);
    }
  }
  const bool unfinished = d.err.sawEof && progressiveUnfinished(cinfo);
  jpeg_finish_decompress(&cinfo);

  if (d.err.hitMissingData || unfinished) {
    picture.incomplete = true;
    picture.warning = "файл JPEG обрывается: изображение загружено не полностью";
  }
  applyOrientation(bitmap, picture.orientation);
  picture.bitmap = std::move(bitmap);
}

namespace {

// Compressed bytes go straight into a growing vector (no second copy of the finished file).
struct VectorDestination {
  jpeg_destination_mgr pub;
  Bytes* out;
};

constexpr std::size_t kDestChunk = 256 * 1024;

void initDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  dest->out->resize(kDestChunk);
  dest->pub.next_output_byte = dest->out->data();
  dest->pub.free_in_buffer = dest->out->size();
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  const std::size_t used = dest->out->size();
  dest->out->resize(used * 2);
  dest->pub.next_output_byte = dest->out->data() + used;
  dest->pub.free_in_buffer = dest->out->size() - used;
  return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  dest->out->resize(dest->out->size() - dest->pub.free_in_buffer);
}

struct Compressor {
  jpeg_compress_struct cinfo{};
  ErrorManager err;
  Compressor() {
    installErrors(err);
    cinfo.err = &err.pub;
  }
  ~Compressor() { jpeg_destroy_compress(&cinfo); }
};

// libjpeg refuses a marker whose data (without its length field) is longer than this.
constexpr std::size_t kMaxMarkerData = 65533;
// Past this a thumbnail cannot fit a marker at any quality worth trying; it is not even encoded.
constexpr std::size_t kMaxThumbnailPixels = 1u << 20;
// Tried in turn until the thumbnail fits its marker.
constexpr int kThumbnailQualities[] = {75, 50, 30, 15};

// The EXIF block: "Exif\0\0" and a big-endian TIFF structure whose IFD0 says the pixels are stored
// upright and whose IFD1 points at the thumbnail, which follows the directories.
class ExifBuilder {
 public:
  Bytes build(const Bytes& thumbnail) {
    text("Exif");
    u16(0);
    text("MM");
    u16(42);
    u32(8);  // IFD0 right after the header
    // IFD0: one entry.
    u16(1);
    entry(0x0112, kShort, 1, 1);  // Orientation: upright
    u32(kIfd1);
    // IFD1: entries in tag order, then the resolutions they point at, then the thumbnail.
    u16(kIfd1Entries);
    entry(0x0103, kShort, 1, 6);  // Compression: JPEG
    entry(0x011A, kRational, 1, kResolutions);  // XResolution
    entry(0x011B, kRational, 1, kResolutions + 8);  // YResolution
    entry(0x0128, kShort, 1, 2);  // ResolutionUnit: inches
    entry(0x0201, kLong, 1, kThumbnailAt);  // JPEGInterchangeFormat
    entry(0x0202, kLong, 1, static_cast<std::uint32_t>(thumbnail.size()));  // JPEGInterchangeFormatLength
    u32(0);  // no further directory
    for (int i = 0; i < 2; ++i) {
      u32(72);
      u32(1);
    }
    out_.insert(out_.end(), thumbnail.begin(), thumbnail.end());
    return std::move(out_);
  }

  // Bytes of the block before the thumbnail.
  static constexpr std::size_t kOverhead = 6 + 8 + 18 + 78 + 16;

 private:
  static constexpr std::uint16_t kShort = 3, kLong = 4, kRational = 5;
  static constexpr std::uint16_t kIfd1Entries = 6;
  // Offsets count from the TIFF header, which follows the six bytes "Exif\0\0".
  static constexpr std::uint32_t kIfd1 = 8 + 18;
  static constexpr std::uint32_t kResolutions = kIfd1 + 2 + 12 * kIfd1Entries + 4;
  static constexpr std::uint32_t kThumbnailAt = kResolutions + 16;
  static_assert(kOverhead == 6 + kThumbnailAt);

  void text(const char* s) {
    for (; *s != 0; ++s) out_.push_back(static_cast<std::uint8_t>(*s));
  }
  void u16(unsigned v) {
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
    out_.push_back(static_cast<std::uint8_t>(v));
  }
  void u32(std::uint32_t v) {
    u16(v >> 16);
    u16(v & 0xFFFF);
  }
  // A SHORT value sits in the first two bytes of the value field.
  void entry(unsigned tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
    u16(tag);
    u16(type);
    u32(count);
    if (type == kShort) {
      u16(value);
      u16(0);
    } else {
      u32(value);
    }
  }

  Bytes out_;
};

// Compresses `bitmap`; `exif`, when not empty, becomes the APP1 marker right after the start marker
// (the JFIF marker is then left out, as EXIF files have it).
Bytes compress(const Bitmap& bitmap, const JpegOptions& options, const Bytes& exif) {
  if (bitmap.empty()) throw ImagingError(ImagingErrorKind::InvalidArgument, "пустое изображение");
  Bytes out;
  Compressor c;
  VectorDestination dest{};
  JSAMPROW rows[kRowsPerRead];
  if (setjmp(c.err.jump)) {
    throw ImagingError(ImagingErrorKind::WriteFailed, "ошибка сжатия JPEG (" + c.err.message + ")");
  }
  jpeg_create_compress(&c.cinfo);
  dest.pub.init_destination = initDestination;
  dest.pub.empty_output_buffer = emptyOutputBuffer;
  dest.pub.term_destination = termDestination;
  dest.out = &out;
  c.cinfo.dest = &dest.pub;
  c.cinfo.image_width = static_cast<JDIMENSION>(bitmap.width());
  c.cinfo.image_height = static_cast<JDIMENSION>(bitmap.height());
  c.cinfo.input_components = 3;
  c.cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&c.cinfo);
  jpeg_set_quality(&c.cinfo, std::clamp(options.quality, 1, 100), TRUE);
  c.cinfo.smoothing_factor = std::clamp(options.smoothing, 0, 100);
  c.cinfo.optimize_coding = options.optimize ? TRUE : FALSE;
  if (!exif.empty()) c.cinfo.write_JFIF_header = FALSE;
  jpeg_start_compress(&c.cinfo, TRUE);
  if (!exif.empty()) {
    jpeg_write_marker(&c.cinfo, kExifMarker, exif.data(), static_cast<unsigned>(exif.size()));
  }
  const int height = bitmap.height();
  while (c.cinfo.next_scanline < c.cinfo.image_height) {
    const int y0 = static_cast<int>(c.cinfo.next_scanline);
    const int n = std::min(kRowsPerRead, height - y0);
    for (int i = 0; i < n; ++i) rows[i] = const_cast<std::uint8_t*>(bitmap.row(y0 + i));
    jpeg_write_scanlines(&c.cinfo, rows, static_cast<JDIMENSION>(n));
  }
  jpeg_finish_compress(&c.cinfo);
  return out;
}

// The EXIF block holding `thumbnail`, or nothing when it cannot fit a marker.
Bytes exifBlock(const Bitmap& thumbnail) {
  if (static_cast<std::size_t>(thumbnail.width()) * static_cast<std::size_t>(thumbnail.height()) >
      kMaxThumbnailPixels) {
    return {};
  }
  for (const int quality : kThumbnailQualities) {
    const Bytes small = compress(thumbnail, JpegOptions{quality, 0, true}, {});
    if (ExifBuilder::kOverhead + small.size() <= kMaxMarkerData) return ExifBuilder().build(small);
  }
  return {};
}

}  // namespace

}  // namespace virmeya::codecs

namespace virmeya {

std::vector<std::uint8_t> encodeJpeg(const Bitmap& bitmap, const JpegOptions& options) {
  return codecs::compress(bitmap, options, {});
}

std::vector<std::uint8_t> encodeJpeg(const Bitmap& bitmap, const JpegOptions& options, const Bitmap* thumbnail) {
  if (bitmap.empty()) throw ImagingError(ImagingErrorKind::InvalidArgument, "пустое изображение");
  if (thumbnail == nullptr || thumbnail->empty()) return codecs::compress(bitmap, options, {});
  return codecs::compress(bitmap, options, codecs::exifBlock(*thumbnail));
}

}  // namespace virmeya
