// The list export, its fixed-width padding and the file proposed for it.
#include "text/ExportText.h"

#include "text/SafeWrite.h"
#include "text/TrackingNumber.h"

#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>

namespace {

constexpr int firstColumnWidth = 8;

// GB18030 rather than GBK: the same bytes for every GBK character, and characters outside GBK
// still survive instead of turning into question marks.
QStringEncoder fileEncoder() {
    return QStringEncoder("GB18030");
}

QString trimSpaces(const QString &text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' ')) {
        ++begin;
    }
    while (end > begin && text.at(end - 1) == QLatin1Char(' ')) {
        --end;
    }
    return text.mid(begin, end - begin);
}

} // namespace

QString SetStringFixedLength(const QString &text, int width) {
    QString trimmed = trimSpaces(text);
    QStringEncoder encoder = fileEncoder();
    const QByteArray bytes = encoder.encode(trimmed);
    const qsizetype length = bytes.size();
    if (length > 0 && width > 0 && length < width) {
        return trimmed + QString(width - length, QLatin1Char(' '));
    }
    return trimmed;
}

QByteArray exportedBytes(const QList<QStringList> &rows, ExportEncoding encoding) {
    const bool utf8 = encoding == ExportEncoding::Utf8;
    QStringEncoder encoder = utf8 ? QStringEncoder(QStringEncoder::Utf8) : fileEncoder();
    if (!encoder.isValid()) {
        return {};
    }
    QString content;
    for (const QStringList &row : rows) {
        for (qsizetype column = 0; column < row.size(); ++column) {
            if (column > 0) {
                content += QStringLiteral("   ");
            }
            content += column == 0 ? SetStringFixedLength(row.at(0), firstColumnWidth) : row.at(column);
        }
        content += utf8 ? QStringLiteral("\n") : QStringLiteral("\r\n");
    }
    return encoder.encode(content);
}

Outcome<Exported> ExportListViewContent(const QList<QStringList> &rows, const QString &path,
                                        SafeWrite::Existing existing, ExportEncoding encoding) {
    if (rows.isEmpty()) {
        return Exported::NoRows;
    }
    const QByteArray bytes = exportedBytes(rows, encoding);
    if (bytes.isEmpty()) {
        return Failure{QStringLiteral("系统缺少 GB18030 编码支持，无法导出。")};
    }

    if (const Outcome<> written = SafeWrite::write(path, bytes, existing, SafeWrite::Readers::Usual);
        !written) {
        return written.failure();
    }
    return Exported::Written;
}

QString proposedExportFile(const QString &documentsFolder, const QString &homeFolder, const QString &number) {
    const QString folder =
        !documentsFolder.isEmpty() && QFileInfo(documentsFolder).isDir() ? documentsFolder : homeFolder;
    const QString readable = normalizedTrackingNumber(number);
    const QString name = readable.isEmpty() ? QStringLiteral("物流进度.txt")
                                            : QStringLiteral("物流进度-") + readable + QStringLiteral(".txt");
    return QDir(folder).filePath(name);
}
