// Writing the parcel list to a text file: fixed-width first column, GBK bytes, CR LF lines.
#pragma once

#include "text/SafeWrite.h"

#include <QList>
#include <QString>
#include <QStringList>

struct ExportResult {
    enum Outcome { Written, NoRows, Failed };
    Outcome outcome;
    // Why the file could not be written; empty unless the outcome is Failed.
    QString error;
};

// The text without surrounding spaces, padded with spaces until it takes `width` bytes in GBK
// (a Chinese character counts two). Texts already that wide, empty texts and widths of 0 or less
// come back trimmed but otherwise unchanged; nothing is ever cut.
QString SetStringFixedLength(const QString &text, int width);

// Writes one line per row: the first cell padded to 8 GBK bytes, cells joined by three spaces,
// each line ending in CR LF, the whole file in GB18030 (identical to GBK for every GBK character).
// No rows writes nothing. The file appears only complete: an existing file is replaced (when
// `existing` allows it) only when the whole new content has been written; anything but a regular
// file or a new name is refused.
ExportResult ExportListViewContent(const QList<QStringList> &rows, const QString &path,
                                   SafeWrite::Existing existing = SafeWrite::Existing::Replace);
