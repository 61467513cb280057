#pragma once

#include "COutlineScanner.h"

#include <QDockWidget>
#include <QTimer>

class COstrakView;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

// View > Outline: the script's packages and subs with their lines, brought
// up to date a pause after changes while the panel is shown. Typing filters
// the list; Enter or a double-click puts the caret on the entry's line.
class COutlinePanel : public QDockWidget
{
    Q_OBJECT

public:
    explicit COutlinePanel(COstrakView *view, QWidget *parent = nullptr);

    // Scans the text now (the pause is over or the panel was opened).
    void refresh();
    QLineEdit *filter() const { return m_filter; }
    QListWidget *list() const { return m_list; }
    // The entries that pass the filter, as the list shows them.
    QStringList shownEntries() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void fill();
    void goTo(QListWidgetItem *item);

    COstrakView *m_view;
    QLineEdit *m_filter;
    QListWidget *m_list;
    QTimer m_pause;
    QList<COutlineEntry> m_entries;
};
