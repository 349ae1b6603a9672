// The program's own PNG pictures, read from its resources.
#include "widgets/Pictures.h"

#include <QImageReader>

QPixmap pngPicture(const QString &resource) {
    QImageReader reader(resource, QByteArrayLiteral("png"));
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QIcon pngIcon(const QString &resource) {
    return QIcon(pngPicture(resource));
}
