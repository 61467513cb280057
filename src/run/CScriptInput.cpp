#include "CScriptInput.h"

#include <QFileInfo>

void CScriptInput::setInput(const QString &text)
{
    m_strInput = text.left(MaxInputLength);
}

void CScriptInput::setRequestMethod(const QString &method)
{
    m_strRequestMethod = method.trimmed().left(MaxMethodLength);
}

bool CScriptInput::runWritesInput() const
{
    return m_strRequestMethod == QLatin1String("POST") || m_strRequestMethod.isEmpty();
}

bool CScriptInput::runClosesInput() const
{
    return m_strRequestMethod == QLatin1String("POST") || m_strRequestMethod == QLatin1String("GET");
}

QList<QPair<QString, QString>> CScriptInput::cgiVariables(const QString &scriptPath) const
{
    QList<QPair<QString, QString>> vars;
    if (m_strRequestMethod.isEmpty())
        return vars;
    vars = {{QStringLiteral("GATEWAY_INTERFACE"), QStringLiteral("CGI/1.1")},
            {QStringLiteral("REQUEST_METHOD"), m_strRequestMethod},
            {QStringLiteral("SERVER_PROTOCOL"), QStringLiteral("HTTP/1.1")},
            {QStringLiteral("SERVER_NAME"), QStringLiteral("localhost")},
            {QStringLiteral("SCRIPT_NAME"), QLatin1Char('/') + QFileInfo(scriptPath).fileName()},
            {QStringLiteral("SCRIPT_FILENAME"), scriptPath}};
    if (m_strRequestMethod == QLatin1String("POST")) {
        vars.append({QStringLiteral("CONTENT_LENGTH"), QString::number(inputBytes().size())});
        vars.append({QStringLiteral("CONTENT_TYPE"), QStringLiteral("application/x-www-form-urlencoded")});
    } else if (m_strRequestMethod == QLatin1String("GET")) {
        QString query = m_strInput;
        query.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
        vars.append({QStringLiteral("QUERY_STRING"), query});
    }
    for (int i = 0; i < m_nCgiCount && i < MaxCgiParameters; ++i) {
        if (!m_strCgiNames[i].isEmpty())
            vars.append({m_strCgiNames[i], m_strCgiValues[i]});
    }
    return vars;
}
