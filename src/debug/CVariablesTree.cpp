#include "CVariablesTree.h"

#include <QHeaderView>
#include <QSet>

CVariablesTree::CVariablesTree(QWidget *parent)
    : QTreeWidget(parent)
{
    setColumnCount(3);
    setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value"), QStringLiteral("Type")});
    setUniformRowHeights(true);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(1, QHeaderView::Stretch);
}

QString CVariablesTree::notListedText(qint64 count)
{
    return QStringLiteral("... %1 more not listed").arg(count);
}

QString CVariablesTree::pathOf(const QTreeWidgetItem *item)
{
    QString path;
    for (; item; item = item->parent())
        path.prepend(item->text(0) + QLatin1Char('\x1f'));
    return path;
}

void CVariablesTree::setVariables(const QList<CDebugVariable> &variables)
{
    QSet<QString> open;
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        if ((*it)->isExpanded())
            open.insert(pathOf(*it));
    }
    setUpdatesEnabled(false);
    clear();
    addRows(nullptr, variables, QString(), open);
    setUpdatesEnabled(true);
}

void CVariablesTree::addRows(QTreeWidgetItem *parent, const QList<CDebugVariable> &variables, const QString &path,
                             const QSet<QString> &open)
{
    QList<QTreeWidgetItem *> items;
    items.reserve(variables.size());
    for (const CDebugVariable &variable : variables) {
        auto *item = new QTreeWidgetItem({variable.name, variable.value, variable.type});
        item->setToolTip(1, variable.value);
        items.append(item);
    }
    if (parent)
        parent->addChildren(items);
    else
        addTopLevelItems(items);
    for (qsizetype i = 0; i < variables.size(); ++i) {
        const CDebugVariable &variable = variables[i];
        const QString itemPath = path + variable.name + QLatin1Char('\x1f');
        if (!variable.children.isEmpty())
            addRows(items[i], variable.children, itemPath, open);
        if (variable.expanded && variable.notListed() > 0)
            items[i]->addChild(new QTreeWidgetItem({QString(), notListedText(variable.notListed())}));
        else if (!variable.expanded && variable.count > 0)
            items[i]->addChild(new QTreeWidgetItem({QString(), QStringLiteral("... deeper than three levels")}));
        if (open.contains(itemPath))
            items[i]->setExpanded(true);
    }
}

void CVariablesTree::setMessage(const QString &text)
{
    clear();
    auto *item = new QTreeWidgetItem({text});
    item->setFirstColumnSpanned(true);
    item->setToolTip(0, text);
    addTopLevelItem(item);
}
