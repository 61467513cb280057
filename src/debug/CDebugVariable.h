#pragma once

#include <QJsonArray>
#include <QList>
#include <QString>

// One variable, element or watch as the Variables and Watches views show it.
// A container lists at most its first 100 elements, three levels deep;
// `count` is its real size, so a view can say how many are not listed.
struct CDebugVariable
{
    QString name;
    QString value;
    QString type;           // the class or reference type; empty for plain values
    qint64 count = -1;      // elements of an array or hash; -1 for a plain value
    bool expanded = false;  // the children below were sent
    bool deeper = false;    // a container below the depth limit: its children were not sent
    QList<CDebugVariable> children;

    // Elements of a container that were not sent.
    qint64 notListed() const { return count < 0 ? 0 : count - children.size(); }

    static QList<CDebugVariable> fromJson(const QJsonArray &array);
};
