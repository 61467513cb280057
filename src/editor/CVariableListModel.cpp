#include "CVariableListModel.h"

#include <limits>

CVariableListModel::CVariableListModel(int kind, const QByteArray &text, QObject *parent)
    : QAbstractTableModel(parent)
    , m_nKind(kind)
    , m_strText(text)
    , m_rows(CVariableScanner::scan(m_strText, CVariableScanner::sigilOfKind(kind)))
{
    // A view addresses rows with an int; a text with more names than that
    // shows the first ones.
    if (m_rows.size() > static_cast<size_t>(std::numeric_limits<int>::max()))
        m_rows.resize(std::numeric_limits<int>::max());
}

int CVariableListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CVariableListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 3;
}

QByteArray CVariableListModel::nameBytes(int row) const
{
    const CVariableRow &r = m_rows[static_cast<size_t>(row)];
    return m_strText.mid(r.offset, r.length);
}

QString CVariableListModel::formatLine(int line)
{
    return QString::asprintf("%5d", line);
}

QVariant CVariableListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount())
        return {};
    const CVariableRow &r = m_rows[static_cast<size_t>(index.row())];
    if (role == NameBytesRole)
        return nameBytes(index.row());
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case 0: {
        // A name holds only the sigil, ASCII letters, digits, "_" and white
        // space; line breaks and tabs would break the one-line cell.
        QString name = QString::fromLatin1(m_strText.constData() + r.offset, r.length);
        for (QChar &c : name) {
            if (c == u'\r' || c == u'\n' || c == u'\t' || c == u'\v' || c == u'\f')
                c = u' ';
        }
        return name;
    }
    case 1:
        return formatLine(r.line);
    case 2:
        return QStringLiteral(" ");
    default:
        return {};
    }
}

QString CVariableListModel::nameColumnTitle(int kind)
{
    switch (kind) {
    case 0:
        return QStringLiteral("Scalar");
    case 1:
        return QStringLiteral("Array");
    default:
        return QStringLiteral("Hash");
    }
}

QVariant CVariableListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case 0:
        return nameColumnTitle(m_nKind);
    case 1:
        return QStringLiteral("Line Number");
    case 2:
        return QStringLiteral("Value");
    default:
        return {};
    }
}
