#include "CReportList.h"

#include "app/CDialogUnits.h"

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
    window->resize(CDialogUnits::toPixels(window->fontMetrics(), widthUnits, heightUnits)
                   + QSize(0, menuBar->sizeHint().height()));
}
