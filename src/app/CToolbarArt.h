#pragma once

#include <QIcon>
#include <QSize>

// The button images of the main and scripting toolbars, drawn at the sizes
// of their bars, and the application icon.
class CToolbarArt
{
public:
    static constexpr QSize kMainButton{16, 15};
    static constexpr QSize kScriptingButton{18, 15};
    static constexpr QSize kOperatorButton{22, 16};

    // The image of a main or scripting toolbar command; a null icon for any other id.
    static QIcon icon(int id);
    static QIcon applicationIcon();
};
