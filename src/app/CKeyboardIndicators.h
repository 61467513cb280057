#pragma once

#include <optional>

// The keyboard's lock indicators as the X server reports them (XKB).
class CKeyboardIndicators
{
public:
    struct State
    {
        std::optional<bool> capsLock;
        std::optional<bool> numLock;
        std::optional<bool> scrollLock;
    };

    // Unknown indicators are empty: on a platform other than X11, or when
    // the server's keymap does not name them.
    static State read();
};
