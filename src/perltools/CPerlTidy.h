#pragma once

#include <QByteArray>
#include <QString>

// Tidies Perl text through perltidy on standard input, with the user's
// .perltidyrc: the first found from the script's folder upwards, else the
// one perltidy itself finds (the home folder).
class CPerlTidy
{
public:
    struct Result
    {
        bool ok = false;
        QByteArray text;     // the tidied text, when ok
        QString errors;      // what perltidy reported, or why it did not run
        bool toolMissing = false;
    };

    explicit CPerlTidy(const QString &program = QStringLiteral("perltidy"))
        : m_program(program)
    {
    }

    // The .perltidyrc from `scriptPath`'s folder upwards; empty when none.
    static QString profileFor(const QString &scriptPath);
    // `lineEnd` is the document's line end; the result uses it, and keeps
    // the input's lack of a last line end.
    Result tidy(const QByteArray &text, const QString &scriptPath, const QByteArray &lineEnd) const;

private:
    QString m_program;
};
