#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// A read-only table of texts with left-aligned column titles; the predefined
// variables and the Perl functions are shown through it.
class CTextTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit CTextTableModel(const QStringList &titles, QObject *parent = nullptr);

    void setRows(QList<QStringList> rows);
    void appendRow(const QStringList &row);
    QString text(int row, int column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList m_titles;
    QList<QStringList> m_rows;
};
