// GIF through giflib: the first frame on its logical screen (transparency kept as alpha); written as
// one frame of at most 256 colours chosen by median cut, with one transparent index when needed.
#include <algorithm>

#include <gif_lib.h>

#include "imaging/codecs/codec_internal.h"

namespace virmeya::codecs {

namespace {

constexpr int kInterlaceStart[] = {0, 4, 2, 1};
constexpr int kInterlaceStep[] = {8, 8, 4, 2};
constexpr std::uint8_t kAlphaThreshold = 128;

struct MemoryInput {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
};

int readGif(GifFileType* gif, GifByteType* out, int n) {
  auto* in = static_cast<MemoryInput*>(gif->UserData);
  const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(std::max(n, 0)), in->size - in->pos);
  std::memcpy(out, in->data + in->pos, count);
  in->pos += count;
  return static_cast<int>(count);
}

struct Decoder {
  GifFileType* gif = nullptr;
  ~Decoder() {
    if (gif != nullptr) DGifCloseFile(gif, nullptr);
  }
};

[[noreturn]] void gifFailed(int code) {
  const char* text = GifErrorString(code);
  corrupt(text != nullptr ? text : "ошибка GIF");
}

GifFileType* openGif(MemoryInput& input) {
  int error = 0;
  GifFileType* gif = DGifOpen(&input, readGif, &error);
  if (gif == nullptr) gifFailed(error);
  return gif;
}

}  // namespace

PictureInfo probeGif(const std::uint8_t* data, std::size_t size) {
  MemoryInput input{data, size, 0};
  Decoder d{openGif(input)};
  PictureInfo info;
  info.width = d.gif->SWidth;
  info.height = d.gif->SHeight;
  return info;
}

void decodeGif(const std::uint8_t* data, std::size_t size, DecodedPicture& picture) {
  MemoryInput input{data, size, 0};
  Decoder d{openGif(input)};
  GifFileType* gif = d.gif;
  int transparent = -1;
  while (true) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) gifFailed(gif->Error);
    if (type == TERMINATE_RECORD_TYPE) corrupt("в файле нет изображений");
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) gifFailed(gif->Error);
      if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
        GraphicsControlBlock gcb{};
        if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
      }
      while (block != nullptr) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) gifFailed(gif->Error);
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif) == GIF_ERROR) gifFailed(gif->Error);
    break;
  }

  const GifImageDesc& frame = gif->Image;
  // Some writers leave the logical screen at 0 × 0: the frame then decides.
  const std::int64_t sw = gif->SWidth > 0 ? gif->SWidth : std::int64_t{frame.Left} + frame.Width;
  const std::int64_t sh = gif->SHeight > 0 ? gif->SHeight : std::int64_t{frame.Top} + frame.Height;
  checkDecodeSize(sw, sh);
  checkDecodeSize(frame.Width, frame.Height);
  const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
  if (map == nullptr || map->ColorCount <= 0 || map->Colors == nullptr) corrupt("нет палитры");

  const int w = static_cast<int>(sw), h = static_cast<int>(sh);
  const bool covers = frame.Left == 0 && frame.Top == 0 && frame.Width >= w && frame.Height >= h;
  Bgr background = kBlack;
  if (gif->SColorMap != nullptr && gif->SBackGroundColor >= 0 && gif->SBackGroundColor < gif->SColorMap->ColorCount) {
    const GifColorType& c = gif->SColorMap->Colors[gif->SBackGroundColor];
    background = rgb(c.Red, c.Green, c.Blue);
  }
  Bitmap bitmap(w, h, background);
  if (transparent >= 0 || !covers) bitmap.addAlpha(covers ? 255 : 0);

  std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
  auto putLine = [&](int frameRow) {
    const std::int64_t y = std::int64_t{frame.Top} + frameRow;
    if (y < 0 || y >= h) return;
    std::uint8_t* d = bitmap.row(static_cast<int>(y));
    std::uint8_t* a = bitmap.hasAlpha() ? bitmap.alphaRow(static_cast<int>(y)) : nullptr;
    for (int i = 0; i < frame.Width; ++i) {
      const std::int64_t x = std::int64_t{frame.Left} + i;
      if (x < 0 || x >= w) continue;
      const int index = line[i];
      if (index == transparent) {
        if (a != nullptr) a[x] = 0;
        continue;
      }
      // An index beyond a short palette is drawn black, as browsers do.
      const GifColorType c = index < map->ColorCount ? map->Colors[index] : GifColorType{0, 0, 0};
      d[3 * x] = c.Blue;
      d[3 * x + 1] = c.Green;
      d[3 * x + 2] = c.Red;
      if (a != nullptr) a[x] = 255;
    }
  };
  auto readLine = [&]() {
    if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) return false;
    return true;
  };

  int rowsRead = 0;
  bool ok = true;
  if (frame.Interlace) {
    for (int pass = 0; pass < 4 && ok; ++pass) {
      for (int r = kInterlaceStart[pass]; r < frame.Height && ok; r += kInterlaceStep[pass]) {
        ok = readLine();
        if (ok) {
          putLine(r);
          ++rowsRead;
        }
      }
    }
  } else {
    for (int r = 0; r < frame.Height && ok; ++r) {
      ok = readLine();
      if (ok) {
        putLine(r);
        ++rowsRead;
      }
    }
  }
  if (!ok) {
    if (rowsRead == 0) gifFailed(gif->Error);
    picture.incomplete = true;
    picture.warning = "файл GIF обрывается: изображение загружено не полностью";
  }
  picture.bitmap = std::move(bitmap);
}

namespace {

int writeGif(GifFileType* gif, const GifByteType* data, int n) {
  auto* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), data, data + n);
  return n;
}

[[noreturn]] void gifWriteFailed(int code) {
  const char* text = GifErrorString(code);
  throw ImagingError(ImagingErrorKind::WriteFailed, std::string("ошибка записи GIF (") + (text ? text : "?") + ")");
}

}  // namespace

Bytes encodeGif(const Bitmap& bitmap) {
  const int w = bitmap.width(), h = bitmap.height();
  if (w > 0xFFFF || h > 0xFFFF) unsupported("GIF больше 65535 точек по стороне");
  bool anyTransparent = false;
  if (bitmap.hasAlpha()) {
    for (int y = 0; y < h && !anyTransparent; ++y) {
      const std::uint8_t* a = bitmap.alphaRow(y);
      anyTransparent = std::any_of(a, a + w, [](std::uint8_t v) { return v < kAlphaThreshold; });
    }
  }
  Palette palette = quantizeMedianCut(bitmap, anyTransparent ? 255 : 256);
  int transparent = -1;
  if (anyTransparent) {
    transparent = static_cast<int>(palette.colours.size());
    palette.colours.push_back(kBlack);
    for (int y = 0; y < h; ++y) {
      const std::uint8_t* a = bitmap.alphaRow(y);
      std::uint8_t* idx = palette.indices.data() + static_cast<std::size_t>(y) * w;
      for (int x = 0; x < w; ++x) {
        if (a[x] < kAlphaThreshold) idx[x] = static_cast<std::uint8_t>(transparent);
      }
    }
  }
  int mapSize = 2;
  while (mapSize < static_cast<int>(palette.colours.size())) mapSize *= 2;
  std::vector<GifColorType> colours(mapSize, GifColorType{0, 0, 0});
  for (std::size_t i = 0; i < palette.colours.size(); ++i) {
    colours[i] = GifColorType{palette.colours[i].r, palette.colours[i].g, palette.colours[i].b};
  }

  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, writeGif, &error);
  if (gif == nullptr) gifWriteFailed(error);
  struct Close {
    GifFileType* gif;
    ~Close() {
      if (gif != nullptr) EGifCloseFile(gif, nullptr);
    }
  } close{gif};
  ColorMapObject* map = GifMakeMapObject(mapSize, colours.data());
  if (map == nullptr) throw std::bad_alloc();
  struct FreeMap {
    ColorMapObject* map;
    ~FreeMap() { GifFreeMapObject(map); }
  } freeMap{map};
  EGifSetGifVersion(gif, true);
  if (EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_ERROR) gifWriteFailed(gif->Error);
  if (transparent >= 0) {
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    gcb.TransparentColor = transparent;
    GifByteType block[4];
    const std::size_t length = EGifGCBToExtension(&gcb, block);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), block) == GIF_ERROR) {
      gifWriteFailed(gif->Error);
    }
  }
  if (EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_ERROR) gifWriteFailed(gif->Error);
  for (int y = 0; y < h; ++y) {
    if (EGifPutLine(gif, palette.indices.data() + static_cast<std::size_t>(y) * w, w) == GIF_ERROR) {
      gifWriteFailed(gif->Error);
    }
  }
  // EGifCloseFile writes the trailer and frees the handle; the guard must not close it again.
  int closeError = 0;
  const int rc = EGifCloseFile(gif, &closeError);
  close.gif = nullptr;
  if (rc == GIF_ERROR) gifWriteFailed(closeError);
  return out;
}

}  // namespace virmeya::codecs
