// Formats still being written: each entry point reports the format as not yet supported.
#include "imaging/codecs/codec_internal.h"

namespace virmeya::codecs {

#define VIRMEYA_PENDING(Name, Label)                                                              \
  void decode##Name(const std::uint8_t*, std::size_t, DecodedPicture&) { unsupported(Label); }   \
  PictureInfo probe##Name(const std::uint8_t*, std::size_t) { unsupported(Label); }

VIRMEYA_PENDING(Tiff, "TIFF")
VIRMEYA_PENDING(Gif, "GIF")
VIRMEYA_PENDING(Pcx, "PCX")
VIRMEYA_PENDING(Ico, "ICO")
VIRMEYA_PENDING(Tga, "TGA")
VIRMEYA_PENDING(Pnm, "PNM")
VIRMEYA_PENDING(Wbmp, "WBMP")
Bytes encodeTiff(const Bitmap&) { unsupported("TIFF"); }
Bytes encodeGif(const Bitmap&) { unsupported("GIF"); }
Bytes encodePcx(const Bitmap&) { unsupported("PCX"); }
Bytes encodeIco(const Bitmap&, bool) { unsupported("ICO"); }
Bytes encodeTga(const Bitmap&) { unsupported("TGA"); }
Bytes encodePnm(const Bitmap&) { unsupported("PPM"); }

}  // namespace virmeya::codecs
