// The picture-file front door: format recognition by content and by extension, reading whole files,
// and the atomic write (temporary file, flush, rename over the target).
#include "imaging/codecs/codecs.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <random>

#include "imaging/codecs/codec_internal.h"

namespace virmeya {

using codecs::Bytes;

namespace {

struct FormatEntry {
  PictureFormat format;
  const char* name;
  const char* extensions;  // space-separated, lower case; the ones we write to
  bool writable;
};

constexpr FormatEntry kFormats[] = {
    {PictureFormat::Jpeg, "JPEG", " jpg jpeg jpe jfif ", true},
    {PictureFormat::Png, "PNG", " png ", true},
    {PictureFormat::Tiff, "TIFF", " tif tiff ", true},
    {PictureFormat::Gif, "GIF", " gif ", true},
    {PictureFormat::Bmp, "BMP", " bmp dib ", true},
    {PictureFormat::Pcx, "PCX", " pcx ", true},
    {PictureFormat::Ico, "ICO", " ico ", true},
    {PictureFormat::Cur, "CUR", " cur ", true},
    {PictureFormat::Tga, "TGA", " tga ", true},
    {PictureFormat::Pnm, "PNM", " ppm pnm ", true},
    {PictureFormat::Wbmp, "WBMP", " wbmp ", false},
};

std::string quoted(const std::filesystem::path& path) { return "«" + path.string() + "»"; }

std::string errnoReason(int error) {
  switch (error) {
    case ENOENT: return "файл или папка не существует";
    case EACCES:
    case EPERM: return "нет прав доступа";
    case EROFS: return "диск доступен только для чтения";
    case ENOSPC:
    case EDQUOT: return "недостаточно места на диске";
    case ENAMETOOLONG: return "слишком длинное имя файла";
    case EISDIR: return "это папка, а не файл";
    case ENOTDIR: return "часть пути не является папкой";
    case EFBIG: return "файл слишком велик";
    case EIO: return "ошибка ввода-вывода";
    case EMFILE:
    case ENFILE: return "открыто слишком много файлов";
    default: return std::strerror(error);
  }
}

// A file's bytes, read into storage that is neither zeroed first nor kept beyond the decode. A large
// file goes into huge pages: a 72 MB photo in 4 KiB pages costs 17 000 page faults, more than the
// copy itself. (The file is read, not mapped: a mapping turns a file truncated by someone else
// while we decode it into a crash.)
struct FileBytes {
  struct FreeDeleter {
    void operator()(std::uint8_t* p) const noexcept { std::free(p); }
  };
  std::unique_ptr<std::uint8_t[], FreeDeleter> bytes;
  std::size_t count = 0;
  const std::uint8_t* data() const { return bytes.get(); }
  std::size_t size() const { return count; }

  static std::unique_ptr<std::uint8_t[], FreeDeleter> allocate(std::size_t size) {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    const std::size_t alignment = size >= 2 * kHugePage ? kHugePage : 64;
    const std::size_t rounded = (std::max<std::size_t>(size, 1) + alignment - 1) / alignment * alignment;
    void* p = std::aligned_alloc(alignment, rounded);
    if (p == nullptr) throw std::bad_alloc();
    if (alignment == kHugePage) ::madvise(p, rounded, MADV_HUGEPAGE);
    return std::unique_ptr<std::uint8_t[], FreeDeleter>(static_cast<std::uint8_t*>(p));
  }
};

// An open picture file: a regular file, its size measured.
class PictureFile {
 public:
  explicit PictureFile(const std::filesystem::path& path) {
    fd_.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_.fd < 0) {
      throw ImagingError(ImagingErrorKind::ReadFailed, errno == ENOENT ? "файл не найден" : errnoReason(errno));
    }
    struct stat st {};
    if (::fstat(fd_.fd, &st) != 0) throw ImagingError(ImagingErrorKind::ReadFailed, errnoReason(errno));
    if (S_ISDIR(st.st_mode)) throw ImagingError(ImagingErrorKind::ReadFailed, errnoReason(EISDIR));
    if (!S_ISREG(st.st_mode)) throw ImagingError(ImagingErrorKind::ReadFailed, "это не обычный файл");
    size_ = static_cast<std::uint64_t>(st.st_size);
  }
  int fd() const { return fd_.fd; }
  std::uint64_t size() const { return size_; }
  // Up to n bytes at offset, fewer only where the file ends.
  std::size_t readAt(std::uint8_t* into, std::size_t n, std::uint64_t offset) const {
    std::size_t done = 0;
    while (done < n) {
      const ssize_t got = ::pread(fd_.fd, into + done, n - done, static_cast<off_t>(offset + done));
      if (got < 0) {
        if (errno == EINTR) continue;
        throw ImagingError(ImagingErrorKind::ReadFailed, errnoReason(errno));
      }
      if (got == 0) break;  // the file shrank while we read it
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

 private:
  struct Descriptor {
    int fd = -1;
    ~Descriptor() {
      if (fd >= 0) ::close(fd);
    }
  } fd_;
  std::uint64_t size_ = 0;
};

FileBytes readWholeFile(const PictureFile& file) {
  // A large file that is no picture at all is turned away before it is read into memory.
  constexpr std::size_t kSniffBytes = 128;  // PCX needs its whole 128-byte header
  if (file.size() > kSniffBytes) {
    std::uint8_t head[kSniffBytes];
    if (file.readAt(head, kSniffBytes, 0) == kSniffBytes &&
        codecs::sniffFormat(head, kSniffBytes) == PictureFormat::Unknown) {
      // TGA's optional footer and WBMP's exact size need the whole file; both are small formats.
      if (file.size() > (std::uint64_t{64} << 20)) {
        throw ImagingError(ImagingErrorKind::UnknownFormat, "формат файла не распознан");
      }
    }
  }
  FileBytes data;
  const auto expected = static_cast<std::size_t>(file.size());
  data.bytes = FileBytes::allocate(expected);
  data.count = file.readAt(data.bytes.get(), expected, 0);
  return data;
}

// Only the bitmap's storage carries over; everything else describes the new picture.
void startDecoding(DecodedPicture& picture) {
  picture.format = PictureFormat::Unknown;
  picture.orientation = 1;
  picture.incomplete = false;
  picture.warning.clear();
}

// A failed decode leaves the picture empty, whatever it had written.
struct EmptyOnFailure {
  DecodedPicture& picture;
  int exceptions = std::uncaught_exceptions();
  ~EmptyOnFailure() {
    if (std::uncaught_exceptions() > exceptions) picture.bitmap = Bitmap();
  }
};

void decodeUnwrapped(const std::uint8_t* data, std::size_t size, DecodedPicture& picture) {
  using namespace codecs;
  startDecoding(picture);
  EmptyOnFailure guard{picture};
  if (size == 0) throw ImagingError(ImagingErrorKind::CorruptData, "файл пуст");
  picture.format = sniffFormat(data, size);
  switch (picture.format) {
    case PictureFormat::Jpeg: decodeJpeg(data, size, picture); break;
    case PictureFormat::Png: decodePng(data, size, picture); break;
    case PictureFormat::Tiff: decodeTiff(data, size, picture); break;
    case PictureFormat::Gif: decodeGif(data, size, picture); break;
    case PictureFormat::Bmp: decodeBmp(data, size, picture); break;
    case PictureFormat::Pcx: decodePcx(data, size, picture); break;
    case PictureFormat::Ico:
    case PictureFormat::Cur: decodeIco(data, size, picture); break;
    case PictureFormat::Tga: decodeTga(data, size, picture); break;
    case PictureFormat::Pnm: decodePnm(data, size, picture); break;
    case PictureFormat::Wbmp: decodeWbmp(data, size, picture); break;
    case PictureFormat::Unknown:
      throw ImagingError(ImagingErrorKind::UnknownFormat, "формат файла не распознан");
  }
}

PictureInfo probeUnwrapped(const std::uint8_t* data, std::size_t size) {
  using namespace codecs;
  if (size == 0) throw ImagingError(ImagingErrorKind::CorruptData, "файл пуст");
  const PictureFormat format = sniffFormat(data, size);
  PictureInfo info;
  switch (format) {
    case PictureFormat::Jpeg: info = probeJpeg(data, size); break;
    case PictureFormat::Png: info = probePng(data, size); break;
    case PictureFormat::Tiff: info = probeTiff(data, size); break;
    case PictureFormat::Gif: info = probeGif(data, size); break;
    case PictureFormat::Bmp: info = probeBmp(data, size); break;
    case PictureFormat::Pcx: info = probePcx(data, size); break;
    case PictureFormat::Ico:
    case PictureFormat::Cur: info = probeIco(data, size); break;
    case PictureFormat::Tga: info = probeTga(data, size); break;
    case PictureFormat::Pnm: info = probePnm(data, size); break;
    case PictureFormat::Wbmp: info = probeWbmp(data, size); break;
    case PictureFormat::Unknown:
      throw ImagingError(ImagingErrorKind::UnknownFormat, "формат файла не распознан");
  }
  info.format = format;
  return info;
}

template <class F>
auto withReadContext(const std::string& what, F&& f) {
  try {
    return f();
  } catch (const ImagingError& e) {
    throw ImagingError(e.kind(), "не удалось прочитать " + what + ": " + e.what());
  } catch (const std::bad_alloc&) {
    throw ImagingError(ImagingErrorKind::TooLarge,
                       "не удалось прочитать " + what + ": недостаточно памяти");
  }
}

// --- atomic write ---------------------------------------------------------------------------

[[noreturn]] void writeFailed(const std::filesystem::path& path, const std::string& reason) {
  throw ImagingError(ImagingErrorKind::WriteFailed, "не удалось записать " + quoted(path) + ": " + reason);
}

class TemporaryFile {
 public:
  explicit TemporaryFile(const std::filesystem::path& dir) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      char suffix[16];
      std::snprintf(suffix, sizeof suffix, "%08x", random());
      path_ = dir / (std::string(".virmeya-") + suffix + ".tmp");
      // 0666 lets the umask decide, as for any newly created file.
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) error_ = errno;
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !path_.empty() && error_ == 0) ::unlink(path_.c_str());
  }
  int error() const { return error_; }
  int fd() const { return fd_; }
  const std::filesystem::path& path() const { return path_; }
  // Closes the descriptor, reporting a late write error (NFS and friends report them here).
  int close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0 ? 0 : errno;
  }
  void committed() { committed_ = true; }

 private:
  std::filesystem::path path_;
  int fd_ = -1;
  int error_ = 0;
  bool committed_ = false;
};

int writeAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return ENOSPC;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

void checkFileName(const std::filesystem::path& requested) {
  const std::string name = requested.filename().string();
  if (name.empty() || name == "." || name == "..") writeFailed(requested, "не указано имя файла");
  if (name.size() > NAME_MAX) writeFailed(requested, errnoReason(ENAMETOOLONG));
}

// A sink writing straight into the temporary file; a failed write is kept (as errno) and thrown
// as WriteError, which the atomic write turns into the user's message.
struct WriteError {
  int error;
};

class FileSink final : public codecs::ByteSink {
 public:
  explicit FileSink(int fd) : fd_(fd) {}

 protected:
  void consume(const std::uint8_t* data, std::size_t size) override {
    if (int e = writeAll(fd_, data, size); e != 0) throw WriteError{e};
  }

 private:
  int fd_;
};

// Writes the file's contents, as body(fd) produces them, under the name `requested` atomically:
// into a temporary file in the same folder, flushed to the disk, then renamed over the target (whose
// permissions it takes). On any failure, the body's included, the temporary file is removed and the
// target is untouched. body throws WriteError for a failed write, ImagingError for anything else.
void writeFileAtomically(const std::filesystem::path& requested, const std::function<void(int fd)>& body) {
  checkFileName(requested);
  std::filesystem::path target = requested;
  // Saving through a symbolic link replaces the file it points to, not the link.
  std::error_code ec;
  if (std::filesystem::is_symlink(target, ec)) {
    std::filesystem::path resolved = std::filesystem::canonical(target, ec);
    if (!ec) target = resolved;
  }
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) writeFailed(requested, errnoReason(EISDIR));
  std::filesystem::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  struct stat dirStat {};
  if (::stat(dir.c_str(), &dirStat) != 0) {
    writeFailed(requested, errno == ENOENT ? "папка не существует" : errnoReason(errno));
  }
  if (!S_ISDIR(dirStat.st_mode)) writeFailed(requested, errnoReason(ENOTDIR));

  TemporaryFile temp(dir);
  if (temp.error() != 0) {
    const int e = temp.error();
    writeFailed(requested, (e == EACCES || e == EPERM) ? "папка недоступна для записи" : errnoReason(e));
  }
  try {
    body(temp.fd());
  } catch (const WriteError& e) {
    writeFailed(requested, errnoReason(e.error));
  } catch (const ImagingError& e) {
    writeFailed(requested, e.what());
  } catch (const std::bad_alloc&) {
    writeFailed(requested, "недостаточно памяти");
  }
  if (exists && ::fchmod(temp.fd(), old.st_mode & 07777) != 0) writeFailed(requested, errnoReason(errno));
  if (::fsync(temp.fd()) != 0) writeFailed(requested, errnoReason(errno));
  if (int e = temp.close(); e != 0) writeFailed(requested, errnoReason(e));
  if (::rename(temp.path().c_str(), target.c_str()) != 0) writeFailed(requested, errnoReason(errno));
  temp.committed();
  // Makes the rename itself durable; a failure here leaves a correct file, so it is not reported.
  const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

}  // namespace

const char* formatName(PictureFormat format) {
  for (const FormatEntry& f : kFormats) {
    if (f.format == format) return f.name;
  }
  return "UNKNOWN";
}

PictureFormat formatForExtension(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  if (ext.size() < 2) return PictureFormat::Unknown;
  ext = ext.substr(1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const std::string key = " " + ext + " ";
  for (const FormatEntry& f : kFormats) {
    if (f.writable && std::strstr(f.extensions, key.c_str()) != nullptr) return f.format;
  }
  return PictureFormat::Unknown;
}

DecodedPicture decodePicture(const std::uint8_t* data, std::size_t size) {
  DecodedPicture picture;
  decodePicture(data, size, picture);
  return picture;
}

void decodePicture(const std::uint8_t* data, std::size_t size, DecodedPicture& into) {
  withReadContext("изображение", [&] { decodeUnwrapped(data, size, into); });
}

DecodedPicture readPicture(const std::filesystem::path& path) {
  DecodedPicture picture;
  readPicture(path, picture);
  return picture;
}

void readPicture(const std::filesystem::path& path, DecodedPicture& into) {
  withReadContext(quoted(path), [&] {
    const PictureFile file(path);
    // A large raw PNM goes from the file into the bitmap a band at a time: no copy of the whole file.
    constexpr std::size_t kHead = 4096;
    if (file.size() >= (std::uint64_t{1} << 20)) {
      std::uint8_t head[kHead];
      const std::size_t n = file.readAt(head, kHead, 0);
      if (codecs::sniffFormat(head, n) == PictureFormat::Pnm) {
        startDecoding(into);
        EmptyOnFailure guard{into};
        const auto readAt = [&file](std::uint8_t* to, std::size_t count, std::uint64_t offset) {
          return file.readAt(to, count, offset);
        };
        if (codecs::decodePnmByRows(head, n, file.size(), readAt, into)) {
          into.format = PictureFormat::Pnm;
          return;
        }
      }
    }
    const FileBytes data = readWholeFile(file);
    decodeUnwrapped(data.data(), data.size(), into);
  });
}

PictureInfo probePicture(const std::filesystem::path& path) {
  return withReadContext(quoted(path), [&] {
    const FileBytes data = readWholeFile(PictureFile(path));
    return probeUnwrapped(data.data(), data.size());
  });
}

std::vector<std::uint8_t> encodePicture(const Bitmap& bitmap, PictureFormat format, const WriteOptions& options) {
  using namespace codecs;
  if (bitmap.empty()) throw ImagingError(ImagingErrorKind::InvalidArgument, "пустое изображение");
  switch (format) {
    case PictureFormat::Jpeg: return encodeJpeg(bitmap, options.jpeg, options.thumbnail);
    case PictureFormat::Png: return encodePng(bitmap);
    case PictureFormat::Tiff: return encodeTiff(bitmap);
    case PictureFormat::Gif: return encodeGif(bitmap);
    case PictureFormat::Bmp: return encodeBmp(bitmap);
    case PictureFormat::Pcx: return encodePcx(bitmap);
    case PictureFormat::Ico: return encodeIco(bitmap, false);
    case PictureFormat::Cur: return encodeIco(bitmap, true);
    case PictureFormat::Tga: return encodeTga(bitmap);
    case PictureFormat::Pnm: return encodePnm(bitmap);
    case PictureFormat::Wbmp:
    case PictureFormat::Unknown: break;
  }
  throw ImagingError(ImagingErrorKind::Unsupported,
                     std::string("запись в формате ") + formatName(format) + " не поддерживается");
}

void writePicture(const Bitmap& bitmap, const std::filesystem::path& path, const WriteOptions& options) {
  checkFileName(path);
  const PictureFormat format = formatForExtension(path);
  if (format == PictureFormat::Unknown) {
    writeFailed(path, "неизвестное расширение имени; возможны: jpg, png, tif, gif, bmp, pcx, ico, cur, tga, ppm");
  }
  // The uncompressed formats go to the file row by row, never whole in memory.
  void (*streamed)(const Bitmap&, codecs::ByteSink&) = nullptr;
  if (format == PictureFormat::Pnm) streamed = codecs::writePnm;
  if (format == PictureFormat::Bmp) streamed = codecs::writeBmp;
  if (format == PictureFormat::Tga) streamed = codecs::writeTga;
  if (streamed != nullptr && !bitmap.empty()) {
    writeFileAtomically(path, [&](int fd) {
      FileSink sink(fd);
      streamed(bitmap, sink);
      sink.flush();
    });
    return;
  }
  Bytes bytes;
  try {
    bytes = encodePicture(bitmap, format, options);
  } catch (const ImagingError& e) {
    writeFailed(path, e.what());
  }
  writeFileAtomically(path, [&](int fd) {
    if (int e = writeAll(fd, bytes.data(), bytes.size()); e != 0) throw WriteError{e};
  });
}

}  // namespace virmeya
