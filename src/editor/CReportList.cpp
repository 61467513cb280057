#include "CReportList.h"

#include <QHeaderView>
#include <QMenuBar>
#include <QVBoxLayout>

CReportList::CReportList(QWidget *parent)
    : QTreeView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAllColumnsShowFocus(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
}

void CReportList::fillWindow(QWidget *window, QMenuBar *menuBar, int widthUnits, int heightUnits)
{
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar);
    layout->addWidget(this);
    const QFontMetrics fm = window->fontMetrics();
    window->resize(widthUnits * fm.averageCharWidth() / 4,
                   heightUnits * fm.height() / 8 + menuBar->sizeHint().height());
}
