// The main window's one viewer: made on first need over the main graph, destroyed when the
// editor takes over the picture or the window goes.
#pragma once

#include <QPointer>

class MediaGraph;
class QWidget;
class ViewerWindow;

namespace player {

class ViewerSlot {
  public:
    ViewerSlot(QWidget& owner, MediaGraph& graph) : m_owner(owner), m_graph(graph) {}
    ~ViewerSlot();
    ViewerSlot(const ViewerSlot&) = delete;
    ViewerSlot& operator=(const ViewerSlot&) = delete;

    // The viewer, or null while none is made.
    ViewerWindow* Get() const;
    // The viewer, made now when there is none.
    ViewerWindow* Create();
    void Destroy();

  private:
    QWidget& m_owner;
    MediaGraph& m_graph;
    QPointer<ViewerWindow> m_pViewer;
};

}  // namespace player
