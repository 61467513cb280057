#include "CScriptInput.h"

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
