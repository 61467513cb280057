#include "CVariablesTree.h"

#include <QHeaderView>
#include <QSet>

namespace {

// Data of a "not listed" row: it is one, and the container's real size.
constexpr int kCountRole = Qt::UserRole;
constexpr int kPlaceholderRole = Qt::UserRole + 1;

} // namespace

CVariablesTree::CVariablesTree(QWidget *parent)
    : QTreeWidget(parent)
{
    setColumnCount(3);
    setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value"), QStringLiteral("Type")});
    setUniformRowHeights(true);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(1, QHeaderView::Stretch);
    connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) {
        if (item && item->data(0, kPlaceholderRole).toBool() && item->parent())
            emit moreRequested(pathOf(item->parent()), item->parent()->childCount() - 1);
    });
}

QString CVariablesTree::notListedText(qint64 count)
{
    return QStringLiteral("... %1 more not listed").arg(count);
}

QStringList CVariablesTree::pathOf(const QTreeWidgetItem *item)
{
    QStringList path;
    for (; item; item = item->parent())
        path.prepend(item->text(0));
    return path;
}

QTreeWidgetItem *CVariablesTree::itemAt(const QStringList &path) const
{
    QTreeWidgetItem *item = invisibleRootItem();
    for (const QString &name : path) {
        QTreeWidgetItem *next = nullptr;
        for (int i = 0; i < item->childCount() && !next; ++i) {
            if (item->child(i)->text(0) == name && !item->child(i)->data(0, kPlaceholderRole).toBool())
                next = item->child(i);
        }
        if (!next)
            return nullptr;
        item = next;
    }
    return item;
}

void CVariablesTree::addPlaceholder(QTreeWidgetItem *item, const CDebugVariable &variable)
{
    QString text;
    if (variable.expanded && variable.notListed() > 0)
        text = notListedText(variable.notListed());
    else if (variable.deeper)
        text = QStringLiteral("... deeper than three levels");
    if (text.isEmpty())
        return;
    auto *row = new QTreeWidgetItem({QString(), text});
    row->setData(0, kPlaceholderRole, true);
    row->setData(0, kCountRole, variable.count);
    row->setToolTip(1, QStringLiteral("Double-click to list more"));
    item->addChild(row);
}

void CVariablesTree::addMore(const QStringList &path, qint64 offset, const QList<CDebugVariable> &elements)
{
    QTreeWidgetItem *item = itemAt(path);
    if (!item || item->childCount() == 0)
        return;
    QTreeWidgetItem *last = item->child(item->childCount() - 1);
    if (!last->data(0, kPlaceholderRole).toBool() || item->childCount() - 1 != offset)
        return;   // the tree changed since the request
    CDebugVariable container;
    container.count = last->data(0, kCountRole).toLongLong();
    container.expanded = true;
    delete last;
    addRows(item, elements, QString(), {});
    for (int i = 0; i < item->childCount(); ++i)
        container.children.append(CDebugVariable());
    addPlaceholder(item, container);
}

void CVariablesTree::setVariables(const QList<CDebugVariable> &variables)
{
    QSet<QString> open;
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        if ((*it)->isExpanded())
            open.insert(pathOf(*it).join(QLatin1Char('\x1f')) + QLatin1Char('\x1f'));
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
        addPlaceholder(items[i], variable);
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
