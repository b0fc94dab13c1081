#include "player/video_pane.h"

VideoPane::VideoPane(QWidget* parent) : VideoWidget(parent) {
    setObjectName("VideoPane");
    // Frames cover the area and the background is painted black around them, so Qt need
    // not erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}
