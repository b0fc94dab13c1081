#pragma once

#include <QPixmap>
#include <QString>

// Reads one of the program's own pictures in the format it is known to have. Qt's image
// reader would otherwise load every image-format plug-in to ask it first, which costs
// start-up time for pictures that are always the same.
QPixmap LoadResourcePicture(const QString& path, const char* format);
