#pragma once

#include "CFtpEntry.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// Reads a LIST reply as it arrives, line by line, and bounds what a server
// can make us hold: a line longer than MaxLineBytes is skipped as
// unreadable, and the listing is cut after its first MaxBytes bytes or
// MaxEntries entries.
class CFtpListReader
{
public:
    static constexpr qsizetype MaxLineBytes = 64 * 1024;
    static constexpr qint64 MaxBytes = 64LL * 1024 * 1024;
    static constexpr qsizetype MaxEntries = 1000000;

    explicit CFtpListReader(const QDateTime &now = QDateTime::currentDateTime(), qint64 maxBytes = MaxBytes,
                            qsizetype maxEntries = MaxEntries);

    // Takes the next piece of the reply; false once the listing is cut, so
    // that the rest need not be received.
    bool feed(const char *data, qsizetype size);
    // The last line, when the reply does not end with a line end.
    void finish();

    QList<CFtpEntry> takeEntries() { return std::move(m_entries); }
    bool isCut() const { return m_cut; }
    // Says where the listing was cut; empty when it is whole.
    QString cutNote() const;

private:
    void endLine();

    QDateTime m_now;
    qint64 m_maxBytes;
    qsizetype m_maxEntries;
    qint64 m_received = 0;
    QByteArray m_line;
    bool m_lineTooLong = false;
    bool m_cut = false;
    bool m_cutForEntries = false;
    QList<CFtpEntry> m_entries;
};
