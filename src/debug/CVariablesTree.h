#pragma once

#include "CDebugVariable.h"

#include <QTreeWidget>

// A tree of variables (the locals of a frame, or the watches): name, value
// and type columns; a container that was sent only in part ends with a row
// that says how many elements are not listed.
class CVariablesTree : public QTreeWidget
{
    Q_OBJECT

public:
    explicit CVariablesTree(QWidget *parent = nullptr);

    // Replaces the rows; branches open before stay open when the names match.
    void setVariables(const QList<CDebugVariable> &variables);
    // One row of text instead of variables (PadWalker missing, an error).
    void setMessage(const QString &text);

    // Adds elements that were fetched later to the container at `path`
    // (names from the top level down), in place of its "not listed" row.
    void addMore(const QStringList &path, qint64 offset, const QList<CDebugVariable> &elements);
    // The names from the top level down to `item`.
    static QStringList pathOf(const QTreeWidgetItem *item);

    static QString notListedText(qint64 count);

signals:
    // The user opened a "not listed" row: the container's path and how
    // many of its elements are shown.
    void moreRequested(const QStringList &path, qint64 offset);

private:
    void addRows(QTreeWidgetItem *parent, const QList<CDebugVariable> &variables, const QString &path,
                 const QSet<QString> &open);
    // The row after a container's listed elements, when some are not listed.
    static void addPlaceholder(QTreeWidgetItem *item, const CDebugVariable &variable);
    QTreeWidgetItem *itemAt(const QStringList &path) const;
};
