#include "CCriticPanel.h"

#include "CDiagnosticMarks.h"
#include "editor/COstrakView.h"

#include <QHeaderView>
#include <QTreeWidget>

CCriticPanel::CCriticPanel(COstrakView *view, QWidget *parent)
    : QDockWidget(QStringLiteral("Critic"), parent)
    , m_view(view)
    , m_list(new QTreeWidget)
{
    setObjectName(QStringLiteral("criticPanel"));
    m_list->setObjectName(QStringLiteral("criticList"));
    m_list->setHeaderLabels({QStringLiteral("Line"), QStringLiteral("Severity"), QStringLiteral("Policy"),
                             QStringLiteral("Message")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->header()->setStretchLastSection(true);
    setWidget(m_list);
    setFocusProxy(m_list);
    view->markerDefine(QsciScintilla::RightTriangle, FindingMarker);
    view->setMarkerBackgroundColor(QColor(0x30, 0x70, 0xd0), FindingMarker);
    view->setMarginMarkerMask(CDiagnosticMarks::SymbolMargin,
                              view->marginMarkerMask(CDiagnosticMarks::SymbolMargin) | (1 << FindingMarker));
    connect(m_list, &QTreeWidget::itemActivated, this, &CCriticPanel::goTo);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &CCriticPanel::goTo);
}

void CCriticPanel::show(const QList<CCriticFinding> &findings)
{
    m_list->clear();
    m_view->markerDeleteAll(FindingMarker);
    const int lines = m_view->lines();
    for (const CCriticFinding &f : findings) {
        auto *item = new QTreeWidgetItem(m_list, {QString::number(f.line), QString::number(f.severity), f.policy, f.message});
        item->setData(0, Qt::UserRole, f.line);
        item->setToolTip(3, f.message);
        m_view->markerAdd(std::clamp(f.line, 1, std::max(1, lines)) - 1, FindingMarker);
    }
    for (int c = 0; c < 3; ++c)
        m_list->resizeColumnToContents(c);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    QDockWidget::show();
}

void CCriticPanel::goTo(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const int line = item->data(0, Qt::UserRole).toInt();
    m_view->setCursorPosition(line - 1, 0);
    m_view->ensureLineVisible(line - 1);
    m_view->reportCaretPosition();
    m_view->setFocus(Qt::OtherFocusReason);
}
