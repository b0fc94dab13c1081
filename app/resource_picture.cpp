#include "app/resource_picture.h"

#include <QImageReader>

QPixmap LoadResourcePicture(const QString& path, const char* format) {
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}
