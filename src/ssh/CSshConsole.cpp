#include "CSshConsole.h"

#include "run/COutputBuffer.h"

class CSshConsole::Sink : public CSshChannelSink
{
public:
    explicit Sink(COutputBuffer *output)
        : m_output(output)
    {
    }
    qsizetype take(Stream, QByteArrayView bytes) override
    {
        if (m_output->pending() > HighWater)
            return 0;
        m_output->appendBytes(bytes);
        return bytes.size();
    }

private:
    COutputBuffer *m_output;
};

CSshConsole::CSshConsole(COutputBuffer *output, QObject *parent)
    : QObject(parent)
    , m_sink(std::make_unique<Sink>(output))
{
}

// The session goes first: from then on its thread hands nothing to the sink.
CSshConsole::~CSshConsole()
{
    m_session.reset();
}

void CSshConsole::Connect(const CSshLogin &login, int columns, int rows)
{
    Close();
    m_columns = columns;
    m_rows = rows;
    m_session = std::make_unique<CSshSession>();
    CSshSession *session = m_session.get();
    // What an earlier session reports after Close or a new Connect is dropped.
    auto current = [this, session] { return m_session.get() == session; };
    connect(session, &CSshSession::opened, this, [this, session, current] {
        if (!current())
            return;
        session->setSink(m_sink.get());
        session->openShell(TerminalType, m_columns, m_rows);
    });
    connect(session, &CSshSession::channelOpened, this, [this, current] {
        if (!current())
            return;
        m_connected = true;
        emit connected();
    });
    connect(session, &CSshSession::failed, this, [this, current](const QString &why) {
        if (current())
            emit connectFailed(why);
    });
    connect(session, &CSshSession::hostKeyUnverified, this,
            [this, current](const CPeerIdentity &peer, const QString &why) {
                if (current())
                    emit hostKeyUnverified(peer, why);
            });
    connect(session, &CSshSession::channelEnded, this, [this, current] {
        if (current() && std::exchange(m_connected, false))
            emit closedByServer();
    });
    session->open(login);
}

void CSshConsole::Close()
{
    m_connected = false;
    m_session.reset();
}

bool CSshConsole::SendLine(const QString &text)
{
    if (!m_connected)
        return false;
    m_session->write(text.toUtf8() + '\n');
    return true;
}

bool CSshConsole::SendInterrupt()
{
    if (!m_connected)
        return false;
    m_session->write(QByteArray(1, '\x03'));
    return true;
}

void CSshConsole::resize(int columns, int rows)
{
    if ((columns == m_columns && rows == m_rows) || columns <= 0 || rows <= 0)
        return;
    m_columns = columns;
    m_rows = rows;
    if (m_connected)
        m_session->resizeTerminal(columns, rows);
}

void CSshConsole::readPending()
{
    if (m_session)
        m_session->resumeReading();
}
