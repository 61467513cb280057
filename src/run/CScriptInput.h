#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// The input prepared for a script before it runs, and the request method that
// decides how a run delivers it: like a CGI "POST" body (then end of file),
// withheld like a "GET" request (end of file at once), or with the input left
// open for lines sent while the script runs (empty method).
class CScriptInput
{
public:
    static constexpr int MaxInputLength = 4000;
    static constexpr int MaxMethodLength = 10;
    static constexpr int MaxCgiParameters = 25;

    QString input() const { return m_strInput; }
    // Keeps at most MaxInputLength characters.
    void setInput(const QString &text);

    QString requestMethod() const { return m_strRequestMethod; }
    // Trims blanks on both sides and keeps at most MaxMethodLength characters.
    void setRequestMethod(const QString &method);

    // The bytes written to the child: UTF-8, lines separated as the text has them.
    QByteArray inputBytes() const { return m_strInput.toUtf8(); }

    // What Run does with standard input (exact, case-sensitive method names).
    bool runWritesInput() const;
    bool runClosesInput() const;

    // The environment of a CGI request for the script at `scriptPath`, when
    // a request method is set (empty otherwise): the gateway's own variables,
    // then the user's parameters, which override them.
    QList<QPair<QString, QString>> cgiVariables(const QString &scriptPath) const;

    // Parameters of the CGI simulation: the first m_nCgiCount pairs are in use.
    QString m_strCgiNames[MaxCgiParameters];
    QString m_strCgiValues[MaxCgiParameters];
    int m_nCgiCount = 0;

private:
    QString m_strInput;
    QString m_strRequestMethod;
};
