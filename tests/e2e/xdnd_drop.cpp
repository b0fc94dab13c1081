#include "tests/e2e/xdnd_drop.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <QElapsedTimer>
#include <QUrl>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace e2e {

namespace {

constexpr qint64 kWaitMs = 15000;
constexpr qint64 kQuietMs = 1000;

using Reply = std::unique_ptr<void, decltype(&std::free)>;

xcb_atom_t AtomOf(xcb_connection_t* c, const char* name) {
    const auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
    const Reply owned(reply, &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The server reads 32 bytes of every event sent, whatever its kind.
template <typename Event>
void SendEvent(xcb_connection_t* c, xcb_window_t to, const Event& event) {
    static_assert(sizeof(Event) <= 32);
    char bytes[32] = {};
    std::memcpy(bytes, &event, sizeof event);
    xcb_send_event(c, 0, to, XCB_EVENT_MASK_NO_EVENT, bytes);
    xcb_flush(c);
}

void SendXdnd(xcb_connection_t* c, xcb_window_t to, xcb_atom_t type, xcb_window_t source,
              uint32_t l1, uint32_t l2, uint32_t l3, uint32_t l4) {
    xcb_client_message_event_t m = {};
    m.response_type = XCB_CLIENT_MESSAGE;
    m.format = 32;
    m.window = to;
    m.type = type;
    m.data.data32[0] = source;
    m.data.data32[1] = l1;
    m.data.data32[2] = l2;
    m.data.data32[3] = l3;
    m.data.data32[4] = l4;
    SendEvent(c, to, m);
}

// Waits for the next event until the clock reaches until.
xcb_generic_event_t* NextEvent(xcb_connection_t* c, const QElapsedTimer& clock,
                               qint64 until = kWaitMs) {
    pollfd fd = {xcb_get_file_descriptor(c), POLLIN, 0};
    while (clock.elapsed() < until) {
        if (xcb_generic_event_t* e = xcb_poll_for_event(c))
            return e;
        if (xcb_connection_has_error(c))
            return nullptr;
        poll(&fd, 1, static_cast<int>(until - clock.elapsed()) + 1);
    }
    return nullptr;
}

}  // namespace

bool DropFiles(const std::string& window, QPoint at, const std::vector<std::string>& paths,
               std::string* why) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> owned(c, &xcb_disconnect);
    if (xcb_connection_has_error(c)) {
        *why = "no display";
        return false;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    const xcb_window_t target = static_cast<xcb_window_t>(std::stoul(window));
    const xcb_window_t source = xcb_generate_id(c);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, source, screens.data->root, -10, -10, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screens.data->root_visual, XCB_CW_EVENT_MASK,
                      &events);
    const xcb_atom_t uriList = AtomOf(c, "text/uri-list");
    const xcb_atom_t selection = AtomOf(c, "XdndSelection");

    // The server's time, which the selection and the drop carry, from a property's change.
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, source, AtomOf(c, "VELTRA_DROP_TIME"),
                        XCB_ATOM_STRING, 8, 0, "");
    xcb_flush(c);
    QElapsedTimer clock;
    clock.start();
    xcb_timestamp_t time = XCB_CURRENT_TIME;
    while (time == XCB_CURRENT_TIME) {
        xcb_generic_event_t* e = NextEvent(c, clock);
        if (!e) {
            *why = "no time from the server";
            return false;
        }
        const Reply event(e, &std::free);
        if ((e->response_type & 0x7F) == XCB_PROPERTY_NOTIFY)
            time = reinterpret_cast<xcb_property_notify_event_t*>(e)->time;
    }
    xcb_set_selection_owner(c, source, selection, time);

    std::string uris;
    for (const std::string& path : paths)
        uris +=
            QUrl::fromLocalFile(QString::fromStdString(path)).toEncoded().toStdString() + "\r\n";

    SendXdnd(c, target, AtomOf(c, "XdndEnter"), source, 5u << 24, uriList, 0, 0);
    SendXdnd(c, target, AtomOf(c, "XdndPosition"), source, 0,
             uint32_t(at.x()) << 16 | uint32_t(at.y() & 0xFFFF), time, AtomOf(c, "XdndActionCopy"));
    const xcb_atom_t status = AtomOf(c, "XdndStatus");
    const xcb_atom_t finished = AtomOf(c, "XdndFinished");
    bool dropped = false;
    // A window may read the files more than once while it handles the drop; once they are
    // handed over, a second of quiet ends the drop.
    qint64 handedOver = -1;
    while (xcb_generic_event_t* e =
               NextEvent(c, clock, handedOver < 0 ? kWaitMs : handedOver + kQuietMs)) {
        const Reply event(e, &std::free);
        const int kind = e->response_type & 0x7F;
        if (kind == XCB_CLIENT_MESSAGE) {
            const auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
            if (m->type == status && !dropped) {
                if (!(m->data.data32[1] & 1)) {
                    *why = "the window refused the drop there";
                    SendXdnd(c, target, AtomOf(c, "XdndLeave"), source, 0, 0, 0, 0);
                    return false;
                }
                SendXdnd(c, target, AtomOf(c, "XdndDrop"), source, 0, time, 0, 0);
                dropped = true;
            } else if (m->type == finished) {
                return true;
            }
        } else if (kind == XCB_SELECTION_REQUEST) {
            const auto* r = reinterpret_cast<xcb_selection_request_event_t*>(e);
            xcb_selection_notify_event_t answer = {};
            answer.response_type = XCB_SELECTION_NOTIFY;
            answer.time = r->time;
            answer.requestor = r->requestor;
            answer.selection = r->selection;
            answer.target = r->target;
            answer.property = XCB_ATOM_NONE;
            if (r->target == uriList) {
                const xcb_atom_t into = r->property != XCB_ATOM_NONE ? r->property : r->target;
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, into, uriList, 8,
                                    static_cast<uint32_t>(uris.size()), uris.data());
                answer.property = into;
            }
            SendEvent(c, r->requestor, answer);
            if (dropped && answer.property != XCB_ATOM_NONE)
                handedOver = clock.elapsed();
        }
    }
    // A window that answers the drop with a message box says it is finished only once the
    // box is gone: the files handed over are the drop.
    if (handedOver >= 0)
        return true;
    *why = dropped ? "the window never read the files" : "the window never answered";
    return false;
}

}  // namespace e2e
