#include "CKeyboardIndicators.h"

#include <QGuiApplication>

// After the Qt headers: Xlib defines macros that clash with Qt names.
#include <X11/XKBlib.h>

namespace {

struct Indices
{
    int caps = -1;
    int num = -1;
    int scroll = -1;
};

int indicatorIndex(Display *display, const char *name)
{
    const Atom atom = XInternAtom(display, name, True);
    if (atom == 0)
        return -1;
    int index = -1;
    if (!XkbGetNamedIndicator(display, atom, &index, nullptr, nullptr, nullptr))
        return -1;
    return index;
}

std::optional<bool> bit(unsigned int state, int index)
{
    if (index < 0 || index >= 32)
        return std::nullopt;
    return (state & (1u << index)) != 0;
}

} // namespace

CKeyboardIndicators::State CKeyboardIndicators::read()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return {};
    // The keymap's indicator numbers do not change while the program runs.
    static const Indices indices = [display] {
        Indices i;
        i.caps = indicatorIndex(display, "Caps Lock");
        i.num = indicatorIndex(display, "Num Lock");
        i.scroll = indicatorIndex(display, "Scroll Lock");
        return i;
    }();
    unsigned int state = 0;
    if (XkbGetIndicatorState(display, XkbUseCoreKbd, &state) != Success)
        return {};
    return {bit(state, indices.caps), bit(state, indices.num), bit(state, indices.scroll)};
}
