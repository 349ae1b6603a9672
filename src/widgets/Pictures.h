// The program's own PNG pictures, read from its resources.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// Read as PNG outright: a reader left to find the format by itself loads every image plugin to ask
// each, which costs the first frame a few milliseconds.
QPixmap pngPicture(const QString &resource);
QIcon pngIcon(const QString &resource);
