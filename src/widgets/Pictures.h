// The program's own PNG pictures, read from its resources.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

// Starts reading these pictures on a worker while the window's thread builds the window; a later
// pngPicture() of one of them takes it from there, waiting for the worker if it has not finished.
void readPicturesAhead(const QStringList &resources);
// Read as PNG outright: a reader left to find the format by itself loads every image plugin to ask
// each, which costs the first frame a few milliseconds.
QPixmap pngPicture(const QString &resource);
QIcon pngIcon(const QString &resource);
