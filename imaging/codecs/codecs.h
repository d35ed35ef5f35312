// Picture files: reading by content (magic bytes), writing by extension, atomically.
// Every failure is an ImagingError whose message names the file and the reason in the user's words.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/bitmap.h"

namespace virmeya {

enum class PictureFormat { Unknown, Jpeg, Png, Tiff, Gif, Bmp, Pcx, Ico, Cur, Tga, Pnm, Wbmp };

// Short upper-case name: "JPEG", "PNG", "TIFF", "GIF", "BMP", "PCX", "ICO", "CUR", "TGA", "PNM", "WBMP".
const char* formatName(PictureFormat format);

struct DecodedPicture {
  Bitmap bitmap;              // 24-bit pixels; the alpha plane when the file carries transparency
  PictureFormat format = PictureFormat::Unknown;
  int orientation = 1;        // the EXIF orientation found (already applied to bitmap), 1 when none
  bool incomplete = false;    // the data ended early: the missing part is left grey (JPEG, TIFF) or dark
  std::string warning;        // why it is incomplete, in the user's words
};

struct PictureInfo {
  PictureFormat format = PictureFormat::Unknown;
  int width = 0, height = 0;  // as stored (before the EXIF orientation)
  bool alpha = false;
  int orientation = 1;
};

// Reads a picture; the format is recognised from the content, not the name.
DecodedPicture readPicture(const std::filesystem::path& path);
DecodedPicture decodePicture(const std::uint8_t* data, std::size_t size);
// The same, decoding into `into`: when into.bitmap already has the picture's size its storage is
// reused (a fresh 72 MB block can cost more than decoding a JPEG into it). Pass a spare bitmap, never
// one still shown: its pixels are overwritten even when decoding fails, and it is then left empty.
void readPicture(const std::filesystem::path& path, DecodedPicture& into);
void decodePicture(const std::uint8_t* data, std::size_t size, DecodedPicture& into);
// The header only (an icon is decoded: only its pixels tell about transparency): format, size as
// stored, alpha, EXIF orientation.
PictureInfo probePicture(const std::filesystem::path& path);

struct JpegOptions {
  int quality = 80;       // 1..100
  int smoothing = 0;      // 0..100, libjpeg's smoothing_factor
  bool optimize = false;  // optimal Huffman tables
};

struct WriteOptions {
  JpegOptions jpeg;
  // A small copy of the picture stored inside the file where the format has a place for one (JPEG:
  // the EXIF thumbnail; other formats ignore it). Not owned: it must outlive the write. Null = none.
  const Bitmap* thumbnail = nullptr;
};

// The format chosen by the name's extension (case-insensitive); Unknown when none we write.
PictureFormat formatForExtension(const std::filesystem::path& path);

// Writes by extension. Atomic: the picture goes to a temporary file in the same folder which then
// replaces the target (keeping its permissions); on any failure the target is untouched.
void writePicture(const Bitmap& bitmap, const std::filesystem::path& path, const WriteOptions& options = {});
// Encodes in the given format into memory.
std::vector<std::uint8_t> encodePicture(const Bitmap& bitmap, PictureFormat format,
                                        const WriteOptions& options = {});
std::vector<std::uint8_t> encodeJpeg(const Bitmap& bitmap, const JpegOptions& options);
// The same with an EXIF block right after the start marker holding the orientation (upright) and
// `thumbnail` as a small baseline JPEG; null or empty writes none. The thumbnail is left out (never
// cut) when even at low quality it does not fit the 64 KB an EXIF block may take.
std::vector<std::uint8_t> encodeJpeg(const Bitmap& bitmap, const JpegOptions& options, const Bitmap* thumbnail);

}  // namespace virmeya
