// The program's own PNG pictures, read from its resources.
#include "widgets/Pictures.h"

#include <QImage>
#include <QImageReader>
#include <future>
#include <memory>
#include <vector>

namespace {

QImage readPng(const QString &resource) {
    QImageReader reader(resource, QByteArrayLiteral("png"));
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

// The pictures read ahead, each ready as soon as the worker has read it; only the window's thread
// touches this.
struct ReadAhead {
    QStringList resources;
    std::vector<std::shared_future<QImage>> images;
    std::future<void> reading;
};

ReadAhead &readAhead() {
    static ReadAhead ahead;
    return ahead;
}

} // namespace

void readPicturesAhead(const QStringList &resources) {
    auto promises = std::make_shared<std::vector<std::promise<QImage>>>(resources.size());
    ReadAhead &ahead = readAhead();
    ahead.resources = resources;
    ahead.images.clear();
    for (std::promise<QImage> &promise : *promises) {
        ahead.images.push_back(promise.get_future().share());
    }
    ahead.reading = std::async(std::launch::async, [resources, promises] {
        for (qsizetype i = 0; i < resources.size(); ++i) {
            promises->at(i).set_value(readPng(resources.at(i)));
        }
    });
}

QPixmap pngPicture(const QString &resource) {
    const ReadAhead &ahead = readAhead();
    const qsizetype index = ahead.resources.indexOf(resource);
    return QPixmap::fromImage(index < 0 ? readPng(resource) : ahead.images.at(index).get());
}

QIcon pngIcon(const QString &resource) {
    return QIcon(pngPicture(resource));
}
