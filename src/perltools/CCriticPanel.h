#pragma once

#include "editor/CEditorMarks.h"
#include "CPerlCritic.h"

#include <QDockWidget>

class COstrakView;
class QTreeWidget;
class QTreeWidgetItem;

// Script > Critic's findings: line, severity, policy and message, a marker
// in the editor's symbol margin on each line; a double-click or Enter puts
// the caret on the finding's line.
class CCriticPanel : public QDockWidget
{
    Q_OBJECT

public:
    static constexpr int FindingMarker = CEditorMarks::CriticFindingMarker;

    explicit CCriticPanel(COstrakView *view, QWidget *parent = nullptr);

    void show(const QList<CCriticFinding> &findings);
    QTreeWidget *list() const { return m_list; }

private:
    void goTo(QTreeWidgetItem *item);

    COstrakView *m_view;
    QTreeWidget *m_list;
};
