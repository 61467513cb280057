#pragma once

#include "CVariableScanner.h"

#include <QAbstractTableModel>
#include <QByteArray>

#include <vector>

// The rows of a scalar, array or hash list: the name, the line number
// formatted "%5d" and the value " ". Rows refer into the copy of the script
// text that the model keeps, so a list of millions of names stays small.
class CVariableListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The name's exact bytes (the display shows line breaks and tabs as blanks).
    static constexpr int NameBytesRole = Qt::UserRole + 1;

    // `kind` 0 scalars, 1 arrays, 2 hashes.
    CVariableListModel(int kind, const QByteArray &text, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const std::vector<CVariableRow> &rows() const { return m_rows; }
    QByteArray nameBytes(int row) const;

    // "Scalar", "Array" or "Hash".
    static QString nameColumnTitle(int kind);
    static QString formatLine(int line);

private:
    int m_nKind;
    QByteArray m_strText;
    std::vector<CVariableRow> m_rows;
};
