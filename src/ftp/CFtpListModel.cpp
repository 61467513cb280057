#include "CFtpListModel.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <clocale>
#include <ctime>
#include <langinfo.h>

CFtpListModel::CFtpListModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_directoryIcon(boxedLetter(QLatin1Char('D')))
    , m_fileIcon(boxedLetter(QLatin1Char('F')))
{
}

QIcon CFtpListModel::boxedLetter(QChar letter)
{
    QPixmap pixmap(10, 10);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 9, 9);
    QFont font;
    font.setPixelSize(8);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 10, 10), Qt::AlignCenter, QString(letter));
    return QIcon(pixmap);
}

CFtpListModel::Row CFtpListModel::rowFor(const CFtpEntry &entry)
{
    Row row;
    row.isDirectory = entry.isDirectory;
    const QString &name = entry.name;
    const qsizetype p = name.indexOf(QLatin1Char('*'));
    if (entry.wholeLine && p >= 0) {
        auto part = [&name](qsizetype from, qsizetype to) { // [from, to), clamped to the text
            from = std::clamp<qsizetype>(from, 0, name.size());
            to = std::clamp<qsizetype>(to, from, name.size());
            return name.mid(from, to - from);
        };
        row.name = row.label = part(p + 10, name.size());
        row.date = part(p - 18, p - 18 + 17);
        qsizetype space = name.indexOf(QLatin1Char(' '), std::min<qsizetype>(10, name.size()));
        row.size = space < 0 ? QString() : part(space, p - 20 + 1);
        return row;
    }
    row.name = row.label = name;
    if (!entry.linkTarget.isEmpty())
        row.label += QStringLiteral(" -> ") + entry.linkTarget;
    if (entry.size != CFtpEntry::UnknownSize)
        row.size = QString::asprintf("%7lld", static_cast<long long>(entry.size));
    if (entry.modified.isValid())
        row.date = localDateTime(entry.modified);
    return row;
}

namespace {

// The user's date and time form, read once: the locale is the same for every
// row of every listing.
struct CUserTimeFormat
{
    CUserTimeFormat()
    {
        // The process's own locale may still be "C"; the user's is in the environment.
        locale = newlocale(LC_TIME_MASK, "", nullptr);
        if (!locale)
            locale = newlocale(LC_TIME_MASK, "C", nullptr);
        if (!locale)
            return;
        // Some locales (C among them) write a two-digit year for %x.
        format = QByteArray(nl_langinfo_l(D_FMT, locale)).replace("%y", "%Y");
        format += ' ';
        format += nl_langinfo_l(T_FMT, locale);
    }

    locale_t locale = nullptr;
    QByteArray format;
};

} // namespace

QString CFtpListModel::localDateTime(const QDateTime &time)
{
    static const CUserTimeFormat user;
    if (!user.locale)
        return time.toString(Qt::ISODate);
    const time_t t = time.toSecsSinceEpoch();
    struct tm local;
    localtime_r(&t, &local);
    char text[128];
    const size_t n = strftime_l(text, sizeof text, user.format.constData(), &local, user.locale);
    return QString::fromLocal8Bit(text, qsizetype(n));
}

void CFtpListModel::setRows(QList<Row> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int CFtpListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CFtpListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant CFtpListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &r = m_rows.at(index.row());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case 0: return r.label;
        case 1: return r.size;
        default: return r.date;
        }
    }
    if (role == Qt::DecorationRole && index.column() == 0)
        return r.isDirectory ? m_directoryIcon : m_fileIcon;
    if (role == Qt::TextAlignmentRole && index.column() == 1)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant CFtpListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole) {
        static const char *const titles[] = {"Name", "Size", "Modified Date"};
        return section >= 0 && section < 3 ? QString::fromLatin1(titles[section]) : QVariant();
    }
    if (role == Qt::TextAlignmentRole && section == 1)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}
