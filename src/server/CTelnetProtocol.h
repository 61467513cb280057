#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <bitset>

// The telnet side of the server console: fed the bytes that arrive, it hands
// back the text to show and the answers to send. The policy is fixed: only
// the terminal-type option is offered, and the terminal is named "ANSI".
// A command sequence cut by the end of one read is completed from the next.
// An option that the server offers (WILL) is refused once with DONT: a server
// that waits for the answer before it starts the shell would wait for ever.
class CTelnetProtocol
{
public:
    enum : unsigned char {
        IAC = 255,
        DONT = 254,
        DO = 253,
        WONT = 252,
        WILL = 251,
        SB = 250,
        IP = 244,
        SE = 240,
        TERMINAL_TYPE = 24,
        OPT_ECHO = 1,
        SEND = 1,
        IS = 0,
    };

    struct CResult
    {
        // Every text run between the command sequences, in order; IAC IAC
        // gives one byte 255, NUL bytes are left out.
        QByteArray text;
        QByteArray answers;
    };

    CResult feed(QByteArrayView bytes);

    // The server switched its echo off for what is typed next (it said WILL
    // ECHO after having said WONT ECHO), as servers do around a password.
    bool hidesInput() const { return m_hidesInput; }

    static bool IsSupportedOption(unsigned char option) { return option == TERMINAL_TYPE; }
    static QByteArray interruptBytes();

private:
    enum class State { Text, Command, Option, SubOption, SubParameter };

    State m_state = State::Text;
    unsigned char m_command = 0;
    unsigned char m_option = 0;
    std::bitset<256> m_refused;
    bool m_echoWasOn = false;
    bool m_hidesInput = false;
};
