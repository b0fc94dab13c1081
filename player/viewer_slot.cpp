#include "player/viewer_slot.h"

#include "player/viewer_window.h"

namespace player {

ViewerWindow* ViewerSlot::Get() const {
    return m_pViewer;
}

ViewerWindow* ViewerSlot::Create() {
    if (!m_pViewer)
        m_pViewer = new ViewerWindow(&m_owner, m_graph);
    return m_pViewer;
}

ViewerSlot::~ViewerSlot() {
    Destroy();
}

void ViewerSlot::Destroy() {
    delete m_pViewer.data();
    m_pViewer = nullptr;
}

}  // namespace player
