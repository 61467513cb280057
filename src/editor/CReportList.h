#pragma once

#include <QTreeView>

class QMenuBar;

// A flat, read-only list in report form: one row per item, whole rows
// selected, one at a time, columns at fixed widths.
class CReportList : public QTreeView
{
    Q_OBJECT

public:
    explicit CReportList(QWidget *parent = nullptr);

    // Makes the list fill `window` below its menu bar and sizes the window
    // from dialog units.
    void fillWindow(QWidget *window, QMenuBar *menuBar, int widthUnits, int heightUnits);
};
