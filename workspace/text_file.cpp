// UTF-8 / Windows-1251 text files with CRLF line ends.
#include "workspace/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <array>

namespace virmeya {
namespace {

// Windows-1251, bytes 0x80..0xBF (0xC0..0xFF are А..я, U+0410..U+044F in order).
constexpr std::array<char16_t, 64> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457};

QString decodeCp1251(const QByteArray& bytes) {
  QString out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out.append(QChar(b));
    } else if (b < 0xC0) {
      out.append(QChar(kCp1251High[b - 0x80]));
    } else {
      out.append(QChar(static_cast<char16_t>(0x0410 + (b - 0xC0))));
    }
  }
  return out;
}

}  // namespace

QString decodeLegacyText(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) return decodeCp1251(bytes);
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  return text;
}

QStringList readTextLines(const QString& path, bool* exists) {
  QFile file(path);
  const bool there = file.exists();
  if (exists) *exists = there;
  if (!there || !file.open(QIODevice::ReadOnly)) return {};
  const QString text = decodeLegacyText(file.readAll());
  QStringList lines;
  for (QString line : text.split(QLatin1Char('\n'))) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (!line.isEmpty()) lines.append(line);
  }
  return lines;
}

bool writeTextLines(const QString& path, const QStringList& lines, QString* error) {
  const QString folder = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(folder)) {
    if (error) *error = QStringLiteral("не удалось создать папку %1").arg(folder);
    return false;
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  QByteArray bytes;
  for (const QString& line : lines) {
    bytes.append(line.toUtf8());
    bytes.append("\r\n");
  }
  file.write(bytes);
  if (!file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}

}  // namespace virmeya
