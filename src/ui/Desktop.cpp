#include "ui/Desktop.h"

#include <QApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>

#if defined(TESVORA_HAVE_XCB)
#include <QGuiApplication>
#include <xcb/xcb.h>
#endif

namespace ui {

#if defined(TESVORA_HAVE_XCB)
namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
    free(r);
    return a;
}

// Asks an EWMH window manager to show the desktop; false when there is none that can.
bool askWindowManager()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return false;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t supported = atom(c, "_NET_SUPPORTED");
    const xcb_atom_t showing = atom(c, "_NET_SHOWING_DESKTOP");
    if (!screen || supported == XCB_ATOM_NONE || showing == XCB_ATOM_NONE)
        return false;
    bool canShow = false;
    xcb_get_property_reply_t* p = xcb_get_property_reply(
        c, xcb_get_property(c, 0, screen->root, supported, XCB_ATOM_ATOM, 0, 4096), nullptr);
    if (p) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(p));
        const int n = xcb_get_property_value_length(p) / int(sizeof(xcb_atom_t));
        for (int i = 0; i < n && !canShow; ++i)
            canShow = atoms[i] == showing;
        free(p);
    }
    if (!canShow)
        return false;
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = screen->root;
    ev.type = showing;
    ev.data.data32[0] = 1;
    xcb_send_event(c, 0, screen->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
    xcb_flush(c);
    return true;
}

} // namespace
#endif

void showDesktop()
{
#if defined(TESVORA_HAVE_XCB)
    if (askWindowManager())
        return;
#endif
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isWindow())
            w->showMinimized();
}

} // namespace ui
