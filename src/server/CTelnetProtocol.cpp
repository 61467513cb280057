#include "CTelnetProtocol.h"

namespace {

QByteArray bytes(std::initializer_list<unsigned char> values)
{
    QByteArray out;
    for (unsigned char v : values)
        out.append(static_cast<char>(v));
    return out;
}

} // namespace

QByteArray CTelnetProtocol::interruptBytes()
{
    return bytes({IAC, IP});
}

CTelnetProtocol::CResult CTelnetProtocol::feed(QByteArrayView data)
{
    CResult result;
    result.text.reserve(data.size());
    for (const char ch : data) {
        const auto c = static_cast<unsigned char>(ch);
        switch (m_state) {
        case State::Text:
            if (c == IAC)
                m_state = State::Command;
            else if (c != 0)
                result.text.append(ch);
            break;
        case State::Command:
            if (c == DO || c == DONT || c == WILL || c == WONT) {
                m_command = c;
                m_state = State::Option;
            } else if (c == SB) {
                m_state = State::SubOption;
            } else {
                if (c == IAC)
                    result.text.append(ch);
                m_state = State::Text;
            }
            break;
        case State::Option:
            if (c == OPT_ECHO && m_command == WONT) {
                m_echoWasOn = true;
                m_hidesInput = false;
            } else if (c == OPT_ECHO && m_command == WILL) {
                m_hidesInput = m_echoWasOn;
            }
            if (m_command == DO) {
                result.answers += bytes({IAC, IsSupportedOption(c) ? WILL : WONT, c});
            } else if (m_command == WILL && !m_refused[c]) {
                m_refused[c] = true;
                result.answers += bytes({IAC, DONT, c});
            }
            m_state = State::Text;
            break;
        case State::SubOption:
            m_option = c;
            m_state = State::SubParameter;
            break;
        case State::SubParameter:
            if (m_option == TERMINAL_TYPE && c == SEND)
                result.answers += bytes({IAC, SB, TERMINAL_TYPE, IS, 'A', 'N', 'S', 'I', IAC, SE});
            m_state = State::Text;
            break;
        }
    }
    return result;
}
