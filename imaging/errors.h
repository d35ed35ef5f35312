// The one exception type of the raster layer: a kind a caller can branch on, and a readable message.
#pragma once

#include <stdexcept>
#include <string>

namespace virmeya {

enum class ImagingErrorKind {
  InvalidArgument,   // a caller passed something the routine cannot work with (size 0, small mask)
  TooLarge,          // a picture beyond the size limits
  UnknownFormat,     // a file whose content is no picture format we read
  CorruptData,       // a picture file whose content contradicts itself or ends early
  ReadFailed,        // the file could not be opened or read
  WriteFailed,       // the file could not be written
  Unsupported,       // a valid picture using a feature we do not handle
};

class ImagingError : public std::runtime_error {
 public:
  ImagingError(ImagingErrorKind kind, const std::string& message)
      : std::runtime_error(message), kind_(kind) {}
  ImagingErrorKind kind() const noexcept { return kind_; }

 private:
  ImagingErrorKind kind_;
};

}  // namespace virmeya
