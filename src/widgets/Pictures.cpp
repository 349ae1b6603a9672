// The program's own pictures, copied out of its resources.
#include "widgets/Pictures.h"

#include <QImage>
#include <QResource>

#include <cstring>

namespace {

// No picture of the program's is anywhere near this wide or high.
constexpr quint32 largestSide = 4096;

} // namespace

QPixmap picture(const QString &name) {
    const QResource resource(QStringLiteral(":/parcelbook/%1.pixels").arg(name));
    // Stored uncompressed, so this points into the program's own data.
    const QByteArray bytes = resource.uncompressedData();
    quint32 sides[2] = {};
    if (bytes.size() >= qsizetype(sizeof sides)) {
        std::memcpy(sides, bytes.constData(), sizeof sides);
    }
    const qsizetype row = qsizetype(sides[0]) * 4;
    if (sides[0] == 0 || sides[0] > largestSide || sides[1] > largestSide ||
        bytes.size() != qsizetype(sizeof sides) + row * sides[1]) {
        qWarning("picture %s: missing, or not a picture", qPrintable(name));
        return QPixmap();
    }
    QImage image(static_cast<int>(sides[0]), static_cast<int>(sides[1]), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(image.scanLine(y), bytes.constData() + sizeof sides + row * y, size_t(row));
    }
    return QPixmap::fromImage(std::move(image));
}

QIcon pictureIcon(const QString &name) {
    return QIcon(picture(name));
}
