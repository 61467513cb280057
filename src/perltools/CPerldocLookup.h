#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QString>

// Runs perldoc for one word (as CPerldocQuery chooses) and gives back its
// HTML page, or what to tell the user instead.
class CPerldocLookup
{
public:
    struct Answer
    {
        QByteArray html;    // empty when there is no page
        QString message;    // "No documentation found for X", or why perldoc did not run
        bool toolMissing = false;
    };

    explicit CPerldocLookup(const QString &program = QStringLiteral("perldoc"))
        : m_program(program)
    {
    }
    Answer lookup(const QString &word) const;
    // A name from the Perl functions list: its perlfunc entry first, so that
    // "-X" or "__FILE__" is not taken for an operator or a module.
    Answer lookupFunction(const QString &name) const;

private:
    Answer firstFound(const QList<QStringList> &attempts, const QString &word) const;

    QString m_program;
};
