// parcelbook-pixels: decodes a PNG when the program is built, so the window never decodes one. Writes
// the picture's width and height (two 32-bit numbers in this machine's order), then its rows of 32-bit
// pixels with alpha premultiplied, the form a pixmap takes them in (widgets/Pictures.cpp reads it).
#include <QFile>
#include <QImage>

#include <cstdio>

int main(int argc, char *argv[]) {
    if (argc != 3) {
        std::fputs("usage: parcelbook-pixels <picture.png> <picture.pixels>\n", stderr);
        return 2;
    }
    const QImage image =
        QImage(QFile::decodeName(argv[1]), "PNG").convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        std::fprintf(stderr, "parcelbook-pixels: cannot read %s as PNG\n", argv[1]);
        return 1;
    }
    QByteArray bytes;
    for (const quint32 size : {quint32(image.width()), quint32(image.height())}) {
        bytes.append(reinterpret_cast<const char *>(&size), sizeof size);
    }
    for (int y = 0; y < image.height(); ++y) {
        bytes.append(reinterpret_cast<const char *>(image.constScanLine(y)), image.width() * 4);
    }
    QFile out(QFile::decodeName(argv[2]));
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush()) {
        std::fprintf(stderr, "parcelbook-pixels: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
