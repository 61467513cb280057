#include "CDebugVariable.h"

#include <QJsonObject>

QList<CDebugVariable> CDebugVariable::fromJson(const QJsonArray &array)
{
    QList<CDebugVariable> result;
    result.reserve(array.size());
    for (const QJsonValue &item : array) {
        const QJsonObject object = item.toObject();
        CDebugVariable variable;
        variable.name = object.value(QLatin1String("n")).toVariant().toString();
        variable.value = object.value(QLatin1String("v")).toVariant().toString();
        variable.type = object.value(QLatin1String("t")).toString();
        variable.count = object.contains(QLatin1String("k")) ? object.value(QLatin1String("k")).toInteger() : -1;
        variable.expanded = object.contains(QLatin1String("c"));
        variable.deeper = object.contains(QLatin1String("x"));
        variable.children = fromJson(object.value(QLatin1String("c")).toArray());
        result.append(variable);
    }
    return result;
}
