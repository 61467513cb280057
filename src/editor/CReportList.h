#pragma once

#include <QTreeView>

// A flat, read-only list in report form: one row per item, whole rows
// selected, one at a time, columns at fixed widths.
class CReportList : public QTreeView
{
    Q_OBJECT

public:
    explicit CReportList(QWidget *parent = nullptr);
};
