#pragma once

#include "CFtpEntry.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <QString>

// The browser's listing: name, size and date texts of each entry, with a
// boxed D before a directory and a boxed F before anything else.
class CFtpListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    struct Row
    {
        // The name the commands use, and the text shown for it ("name -> target" for a link).
        QString name;
        QString label;
        QString size;
        QString date;
        bool isDirectory = false;
    };

    explicit CFtpListModel(QObject *parent = nullptr);

    void setRows(QList<Row> rows);
    void clear() { setRows({}); }
    const Row &row(int index) const { return m_rows.at(index); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The texts shown for an entry. A listing line that could not be read
    // and holds "*" is taken apart by position into name, date and size; a
    // name read from a well-formed line is kept exactly as it is.
    static Row rowFor(const CFtpEntry &entry);
    // "%x %X" in the user's time locale (LC_TIME), the year always in full.
    static QString localDateTime(const QDateTime &time);

    // A 10 by 10 image of `letter` in a box.
    static QIcon boxedLetter(QChar letter);

private:
    QList<Row> m_rows;
    QIcon m_directoryIcon;
    QIcon m_fileIcon;
};
