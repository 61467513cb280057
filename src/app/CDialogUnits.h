#pragma once

#include <QFontMetrics>
#include <QSize>

// Dialog sizes given in dialog units: a quarter of the font's average
// character width across, an eighth of its height down.
class CDialogUnits
{
public:
    static QSize toPixels(const QFontMetrics &metrics, int width, int height)
    {
        return QSize(width * metrics.averageCharWidth() / 4, height * metrics.height() / 8);
    }
};
