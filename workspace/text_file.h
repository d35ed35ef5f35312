// Small text files of the program (Recent.lst, Conf.ini): written as UTF-8 with CRLF line ends, read as
// UTF-8 with a fallback to Windows-1251 for files written by older versions.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace virmeya {

// Decodes bytes as UTF-8 (a leading BOM skipped) or, when they are not valid UTF-8, as Windows-1251.
QString decodeLegacyText(const QByteArray& bytes);

// The lines of a text file, CR/LF or LF ended, empty lines skipped. A missing file gives an empty
// list (and *exists = false).
QStringList readTextLines(const QString& path, bool* exists = nullptr);

// Writes every line followed by CRLF, in UTF-8, atomically (the old file stays on failure); creates
// the folder when missing. Returns false with the reason in *error.
bool writeTextLines(const QString& path, const QStringList& lines, QString* error = nullptr);

}  // namespace virmeya
