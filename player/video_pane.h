// The viewer's video area (control 1028 of the viewer). The graph's video renderer paints
// its frames here; mouse input is left to the viewer around it, so a double click on the
// picture toggles full screen and a right click opens the viewer's menu.
#pragma once

#include "engine/video_widget.h"

class VideoPane : public VideoWidget {
    Q_OBJECT
  public:
    static constexpr int kControlId = 1028;
    explicit VideoPane(QWidget* parent = nullptr);
};
