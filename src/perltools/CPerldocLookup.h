#pragma once

#include <QByteArray>
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

private:
    QString m_program;
};
