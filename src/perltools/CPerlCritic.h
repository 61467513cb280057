#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One policy violation that perlcritic found.
struct CCriticFinding
{
    int line = 0;
    int severity = 0;   // 1 (least) to 5 (most severe)
    QString policy;
    QString message;

    friend bool operator==(const CCriticFinding &, const CCriticFinding &) = default;
};

// Runs perlcritic on the editor's text, written to a temporary copy that has
// the script's name (policies look at the name: modules end in ".pm"), in
// the script's folder as the current folder so that a project's
// .perlcriticrc is found.
class CPerlCritic
{
public:
    static constexpr int DefaultSeverity = 4;

    struct Result
    {
        bool ok = false;
        QList<CCriticFinding> findings;
        QString errors;     // what perlcritic reported, or why it did not run
        bool toolMissing = false;
    };

    explicit CPerlCritic(const QString &program = QStringLiteral("perlcritic"))
        : m_program(program)
    {
    }
    Result critique(const QByteArray &text, const QString &scriptPath, int severity) const;

    // Findings from perlcritic's output in the form "%l\t%s\t%p\t%m\n".
    static QList<CCriticFinding> parse(const QByteArray &output);

private:
    QString m_program;
};
