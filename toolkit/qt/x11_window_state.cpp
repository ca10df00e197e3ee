#include "toolkit/qt/x11_window_state.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace tk::qt {

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name)
{
    auto cookie = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

bool Supported(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t wanted)
{
    const xcb_atom_t supported = Atom(connection, "_NET_SUPPORTED");
    auto cookie = xcb_get_property(connection, 0, root, supported, XCB_ATOM_ATOM, 0, 4096);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    if (!reply)
        return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
    const int count = xcb_get_property_value_length(reply) / static_cast<int>(sizeof(xcb_atom_t));
    const bool found = std::find(atoms, atoms + count, wanted) != atoms + count;
    std::free(reply);
    return found;
}

} // namespace

std::optional<FrameSize> FrameExtents(QWidget& window)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t request = Atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = Atom(connection, "_NET_FRAME_EXTENTS");
    if (request == XCB_ATOM_NONE || !Supported(connection, root, request))
        return std::nullopt;

    const auto id = static_cast<xcb_window_t>(window.winId());
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);

    // The window manager answers by setting the property; wait briefly.
    for (int attempt = 0; attempt < 25; ++attempt) {
        auto cookie = xcb_get_property(connection, 0, id, extents, XCB_ATOM_CARDINAL, 0, 4);
        xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
        if (reply && xcb_get_property_value_length(reply) == 4 * 4) {
            const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
            FrameSize frame{static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]),
                            static_cast<int>(v[3])};
            std::free(reply);
            return frame;
        }
        std::free(reply);
        std::this_thread::sleep_for(std::chrono::milliseconds(8));
    }
    return std::nullopt;
}

void SkipTaskbar(QWidget& window)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t state = Atom(connection, "_NET_WM_STATE");
    const xcb_atom_t skip[] = {Atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                               Atom(connection, "_NET_WM_STATE_SKIP_PAGER")};
    if (state == XCB_ATOM_NONE)
        return;
    // The window is not mapped yet: the window manager reads the state when
    // it maps it, and Qt keeps states it did not set itself.
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, 2, skip);
    xcb_flush(connection);
}

} // namespace tk::qt
