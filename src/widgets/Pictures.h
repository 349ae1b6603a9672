// The program's own pictures, decoded when the program is built.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The picture of this name (":/parcelbook/<name>.pixels", made by tools/pixels): its width and height,
// then its pixels in the form a pixmap takes, so showing one costs a copy and the first frame neither
// decodes a PNG nor waits for Qt to list its image plugins. A null pixmap, said in the log, when the
// resource is missing or is not what its sizes say.
QPixmap picture(const QString &name);
QIcon pictureIcon(const QString &name);
