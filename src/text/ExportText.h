// Writing the parcel list to a GBK text file with fixed-width first column, and the file proposed for it.
#pragma once

#include "text/SafeWrite.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What an export that did not fail did: wrote the file, or had no rows to write.
enum class Exported { Written, NoRows };

// The text without surrounding spaces, padded with spaces until it takes `width` bytes in GBK
// (a Chinese character counts two). Texts already that wide, empty texts and widths of 0 or less
// come back trimmed but otherwise unchanged; nothing is ever cut.
QString SetStringFixedLength(const QString &text, int width);

// The bytes of an export: the window's (GB18030, lines ending in CR LF), or UTF-8 with lines ending in
// LF, as a terminal or a script on this system reads text.
enum class ExportEncoding { Gbk, Utf8 };

// The exported text of the rows: one line per row, the first cell padded to 8 GBK bytes, cells
// joined by three spaces, each line ending in CR LF, all in GB18030 (identical to GBK for every GBK
// character), or in UTF-8 with LF. Empty when the system has no GB18030 encoder.
QByteArray exportedBytes(const QList<QStringList> &rows, ExportEncoding encoding = ExportEncoding::Gbk);

// Writes exportedBytes(rows, encoding) to the file. No rows writes nothing. The file appears only complete:
// an existing file is replaced (when `existing` allows it) only when the whole new content has been written;
// anything but a regular file or a new name is refused.
Outcome<Exported> ExportListViewContent(const QList<QStringList> &rows, const QString &path,
                                        SafeWrite::Existing existing = SafeWrite::Existing::Replace,
                                        ExportEncoding encoding = ExportEncoding::Gbk);

// The file the save dialog proposes for a parcel's progress: "物流进度-<number>.txt" in the documents
// folder when that folder exists, else in the home folder. The number is read by the tracking number
// rule, so no slash or other stray character of an old stored number reaches the name; a number that
// reads as none gives "物流进度.txt".
QString proposedExportFile(const QString &documentsFolder, const QString &homeFolder, const QString &number);
