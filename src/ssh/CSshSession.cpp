#include "CSshSession.h"

#include "ftp/CKnownHosts.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <libssh/callbacks.h>
#include <libssh/libssh.h>

#include <array>
#include <cerrno>
#include <mutex>
#include <csignal>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kReadChunk = 64 * 1024;
// While the sink has no room the rest is offered again after this pause;
// otherwise a slow timer catches what the library buffered without the
// socket becoming readable again.
constexpr int kBlockedRetryMs = 5;
constexpr int kIdlePollMs = 50;
constexpr int kNiceness = 5;

QString libraryError(void *handle)
{
    return QString::fromUtf8(ssh_get_error(handle));
}

} // namespace

// What the session and its worker share. The session may go while the
// worker still waits for the server (a connect that hangs); from then on the
// worker tells nobody and hands nothing to the sink.
struct CSshLink
{
    std::mutex mutex;
    CSshSession *owner = nullptr;
};

// Lives on the session's thread and makes every library call.
class CSshWorker : public QObject
{
public:
    explicit CSshWorker(std::shared_ptr<CSshLink> link)
        : m_link(std::move(link))
    {
        m_callbacks.userdata = this;
        m_callbacks.channel_exit_signal_function = &CSshWorker::onExitSignal;
        m_callbacks.channel_exit_status_function = &CSshWorker::onExitStatus;
        ssh_callbacks_init(&m_callbacks);
    }
    ~CSshWorker() override { close(); }

    CSshChannelSink *m_sink = nullptr;

    void open(const CSshLogin &login);
    void openChannel(const QByteArray &terminal, int columns, int rows, const QString &command);
    void setInputFd(int fd);
    void write(QByteArrayView bytes);
    void resize(int columns, int rows)
    {
        if (m_channel)
            ssh_channel_change_pty_size(m_channel, columns, rows);
    }
    void sendSignal(const QByteArray &name)
    {
        if (m_channel)
            ssh_channel_request_send_signal(m_channel, name.constData());
    }
    void endChannel(long exitCode);
    void close();
    void pump();

private:
    static void onExitSignal(ssh_session, ssh_channel, const char *signal, int, const char *, const char *, void *self)
    {
        static_cast<CSshWorker *>(self)->m_exitSignal = CSshSession::signalNumber(QByteArray(signal));
    }
    static void onExitStatus(ssh_session, ssh_channel, int status, void *self)
    {
        static_cast<CSshWorker *>(self)->m_exitStatus = status;
    }

    QString hostKeyProblem(CPeerIdentity &peer, bool &unverified);
    QString authenticate();
    int interactive();
    void readInput();
    // False while the sink holds back.
    bool offer(int stream);
    void lost(const QString &reason);
    void stopWatching();

    // Emits one of the session's signals, if the session is still there.
    template<typename Signal, typename... Args>
    void tell(Signal signal, const Args &...args)
    {
        std::lock_guard lock(m_link->mutex);
        if (m_link->owner)
            (m_link->owner->*signal)(args...);
    }

    std::shared_ptr<CSshLink> m_link;
    CSshLogin m_login;
    ssh_session m_session = nullptr;
    ssh_channel m_channel = nullptr;
    ssh_channel_callbacks_struct m_callbacks{};
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::unique_ptr<QSocketNotifier> m_inputNotifier;
    std::unique_ptr<QTimer> m_timer;
    int m_inputFd = -1;
    std::array<QByteArray, 2> m_pending;
    std::array<char, kReadChunk> m_buffer{};
    int m_exitStatus = -1;
    int m_exitSignal = 0;
    bool m_pumping = false;
};

void CSshWorker::open(const CSshLogin &login)
{
    close();
    m_login = login;
    m_session = ssh_new();
    if (!m_session) {
        tell(&CSshSession::failed, QStringLiteral("Could not start an SSH session"));
        return;
    }
    const QByteArray host = login.host.toUtf8();
    const QByteArray user = login.user.toUtf8();
    const QByteArray knownHosts = CKnownHosts::userFile().toUtf8();
    // The folder of known_hosts, keys and config follows HOME, as known_hosts does for SFTP.
    const QByteArray sshFolder = QFileInfo(CKnownHosts::userFile()).absolutePath().toUtf8();
    const unsigned int port = login.port;
    const long timeout = login.timeoutSeconds;
    ssh_options_set(m_session, SSH_OPTIONS_HOST, host.constData());
    ssh_options_set(m_session, SSH_OPTIONS_PORT, &port);
    if (!user.isEmpty())
        ssh_options_set(m_session, SSH_OPTIONS_USER, user.constData());
    ssh_options_set(m_session, SSH_OPTIONS_TIMEOUT, &timeout);
    ssh_options_set(m_session, SSH_OPTIONS_SSH_DIR, sshFolder.constData());
    ssh_options_set(m_session, SSH_OPTIONS_KNOWNHOSTS, knownHosts.constData());
    // The user's ~/.ssh/config fills in only what is not set above.
    ssh_options_parse_config(m_session, nullptr);

    const QString where = QStringLiteral("%1 port %2").arg(login.host).arg(login.port);
    if (ssh_connect(m_session) != SSH_OK) {
        const QString why = libraryError(m_session);
        close();
        tell(&CSshSession::failed, QStringLiteral("Could not connect to %1: %2").arg(where, why));
        return;
    }
    CPeerIdentity peer;
    bool unverified = false;
    if (const QString problem = hostKeyProblem(peer, unverified); !problem.isEmpty()) {
        close();
        if (unverified)
            tell(&CSshSession::hostKeyUnverified, peer, problem);
        else
            tell(&CSshSession::failed, problem);
        return;
    }
    if (const QString refused = authenticate(); !refused.isEmpty()) {
        close();
        tell(&CSshSession::failed, refused);
        return;
    }
    tell(&CSshSession::opened);
}

QString CSshWorker::hostKeyProblem(CPeerIdentity &peer, bool &unverified)
{
    ssh_key key = nullptr;
    if (ssh_get_server_publickey(m_session, &key) != SSH_OK)
        return QStringLiteral("The server %1 sent no host key: %2").arg(m_login.host, libraryError(m_session));
    char *base64 = nullptr;
    const int exported = ssh_pki_export_pubkey_base64(key, &base64);
    ssh_key_free(key);
    if (exported != SSH_OK)
        return QStringLiteral("The host key of %1 could not be read").arg(m_login.host);
    peer.kind = CPeerIdentity::HostKey;
    peer.host = m_login.host;
    peer.port = m_login.port;
    // The key as the server sent it, as SFTP keeps it.
    peer.key = QByteArray::fromBase64(QByteArray(base64));
    ssh_string_free_char(base64);
    peer.subject = CKnownHosts::keyType(peer.key);
    peer.fingerprint = CKnownHosts::fingerprint(peer.key);

    switch (ssh_session_is_known_server(m_session)) {
    case SSH_KNOWN_HOSTS_OK:
        return QString();
    case SSH_KNOWN_HOSTS_CHANGED:
    case SSH_KNOWN_HOSTS_OTHER:
        // A key of another type for a known host is treated as a changed key.
        peer.changed = true;
        return CKnownHosts::changedText(CKnownHosts::userFile(), m_login.host, m_login.port);
    case SSH_KNOWN_HOSTS_UNKNOWN:
    case SSH_KNOWN_HOSTS_NOT_FOUND:
        unverified = true;
        return QStringLiteral("The host key of %1 is not in %2")
            .arg(CKnownHosts::hostName(m_login.host, m_login.port), CKnownHosts::userFile());
    case SSH_KNOWN_HOSTS_ERROR:
        break;
    }
    return QStringLiteral("Could not check the host key of %1 against %2: %3")
        .arg(m_login.host, CKnownHosts::userFile(), libraryError(m_session));
}

QString CSshWorker::authenticate()
{
    if (ssh_userauth_none(m_session, nullptr) == SSH_AUTH_SUCCESS)
        return QString();
    const int offered = ssh_userauth_list(m_session, nullptr);
    int result = SSH_AUTH_DENIED;
    if (!m_login.password.isEmpty()) {
        if (offered & SSH_AUTH_METHOD_PASSWORD)
            result = ssh_userauth_password(m_session, nullptr, m_login.password.toUtf8().constData());
        if (result != SSH_AUTH_SUCCESS && (offered & SSH_AUTH_METHOD_INTERACTIVE))
            result = interactive();
    } else if (offered & SSH_AUTH_METHOD_PUBLICKEY) {
        // The agent first, then the user's own key files.
        result = ssh_userauth_publickey_auto(m_session, nullptr, nullptr);
    }
    if (result == SSH_AUTH_SUCCESS)
        return QString();
    if (result == SSH_AUTH_ERROR)
        return QStringLiteral("The login to %1 failed: %2").arg(m_login.host, libraryError(m_session));
    return QStringLiteral("The server %1 refused the login of %2 %3 (it offers: %4)")
        .arg(m_login.host, m_login.user,
             m_login.password.isEmpty() ? QStringLiteral("with the user's keys") : QStringLiteral("with the password"),
             CSshSession::authMethodNames(offered));
}

int CSshWorker::interactive()
{
    // Every hidden prompt is answered with the password, at most a few rounds.
    int result = ssh_userauth_kbdint(m_session, nullptr, nullptr);
    for (int round = 0; result == SSH_AUTH_INFO && round < 3; ++round) {
        const int prompts = ssh_userauth_kbdint_getnprompts(m_session);
        const QByteArray password = m_login.password.toUtf8();
        for (int i = 0; i < prompts; ++i) {
            char echo = 0;
            ssh_userauth_kbdint_getprompt(m_session, unsigned(i), &echo);
            ssh_userauth_kbdint_setanswer(m_session, unsigned(i), echo ? "" : password.constData());
        }
        result = ssh_userauth_kbdint(m_session, nullptr, nullptr);
    }
    return result;
}

void CSshWorker::openChannel(const QByteArray &terminal, int columns, int rows, const QString &command)
{
    if (!m_session) {
        tell(&CSshSession::failed, QStringLiteral("Not connected to the server"));
        return;
    }
    if (m_channel) {
        tell(&CSshSession::failed, QStringLiteral("A channel is open already on the connection to %1").arg(m_login.host));
        return;
    }
    m_exitStatus = -1;
    m_exitSignal = 0;
    m_pending = {};
    m_channel = ssh_channel_new(m_session);
    int rc = m_channel ? ssh_channel_open_session(m_channel) : SSH_ERROR;
    if (rc == SSH_OK) {
        ssh_set_channel_callbacks(m_channel, &m_callbacks);
        if (command.isNull()) {
            rc = ssh_channel_request_pty_size(m_channel, terminal.constData(), columns, rows);
            if (rc == SSH_OK)
                rc = ssh_channel_request_shell(m_channel);
        } else {
            rc = ssh_channel_request_exec(m_channel, command.toUtf8().constData());
        }
    }
    if (rc != SSH_OK) {
        const QString why = libraryError(m_session);
        if (m_channel)
            ssh_channel_free(m_channel);
        m_channel = nullptr;
        tell(&CSshSession::failed, QStringLiteral("The server %1 refused the channel for %2: %3")
                                .arg(m_login.host, command.isNull() ? QStringLiteral("a terminal shell") : command, why));
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(ssh_get_fd(m_session), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { pump(); });
    m_timer = std::make_unique<QTimer>();
    QObject::connect(m_timer.get(), &QTimer::timeout, this, [this] { pump(); });
    m_timer->start(kIdlePollMs);
    tell(&CSshSession::channelOpened);
    pump();
}

void CSshWorker::setInputFd(int fd)
{
    m_inputFd = fd;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_inputNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(m_inputNotifier.get(), &QSocketNotifier::activated, this, [this] { readInput(); });
}

void CSshWorker::readInput()
{
    for (;;) {
        const ssize_t n = ::read(m_inputFd, m_buffer.data(), m_buffer.size());
        if (n > 0) {
            write(QByteArrayView(m_buffer.data(), n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return;
        // The editor closed the script's input.
        m_inputNotifier.reset();
        ::close(m_inputFd);
        m_inputFd = -1;
        if (m_channel)
            ssh_channel_send_eof(m_channel);
        return;
    }
}

void CSshWorker::write(QByteArrayView bytes)
{
    if (!m_channel || bytes.isEmpty())
        return;
    if (ssh_channel_write(m_channel, bytes.data(), uint32_t(bytes.size())) == SSH_ERROR) {
        lost(libraryError(m_session));
        return;
    }
    // The library may have taken in output while it wrote.
    pump();
}

bool CSshWorker::offer(int stream)
{
    QByteArray &rest = m_pending[stream];
    if (rest.isEmpty())
        return true;
    qsizetype taken = rest.size();
    {
        std::lock_guard lock(m_link->mutex);
        if (m_link->owner && m_sink)
            taken = m_sink->take(CSshChannelSink::Stream(stream), rest);
    }
    rest.remove(0, taken);
    return rest.isEmpty();
}

void CSshWorker::pump()
{
    if (!m_channel || m_pumping)
        return;
    m_pumping = true;
    bool blocked = !offer(0) || !offer(1);
    bool atEnd = false;
    while (!blocked && m_channel) {
        bool gotAny = false;
        for (int stream : {0, 1}) {
            const int n = ssh_channel_read_nonblocking(m_channel, m_buffer.data(), kReadChunk, stream);
            if (n > 0) {
                gotAny = true;
                m_pending[stream] = QByteArray(m_buffer.data(), n);
                if (!offer(stream)) {
                    blocked = true;
                    break;
                }
            } else if (n == SSH_ERROR) {
                m_pumping = false;
                lost(libraryError(m_session));
                return;
            } else if (n == SSH_EOF && stream == 0) {
                atEnd = true;
            }
        }
        if (!gotAny)
            break;
    }
    m_pumping = false;
    if (m_timer)
        m_timer->setInterval(blocked ? kBlockedRetryMs : kIdlePollMs);
    if (!blocked && (atEnd || ssh_channel_is_eof(m_channel)) && ssh_channel_poll(m_channel, 1) <= 0) {
        // The exit status comes with or just after the end of the output.
        if (m_exitStatus < 0 && m_exitSignal == 0)
            ssh_channel_get_exit_status(m_channel);
        endChannel(m_exitSignal ? 128 + m_exitSignal : m_exitStatus >= 0 ? m_exitStatus : CSshSession::NoExitCode);
    }
}

void CSshWorker::stopWatching()
{
    m_notifier.reset();
    m_timer.reset();
    m_inputNotifier.reset();
    if (m_inputFd >= 0)
        ::close(m_inputFd);
    m_inputFd = -1;
}

void CSshWorker::endChannel(long exitCode)
{
    if (!m_channel)
        return;
    stopWatching();
    ssh_channel_close(m_channel);
    ssh_channel_free(m_channel);
    m_channel = nullptr;
    m_pending = {};
    if (CSshChannelSink *sink = std::exchange(m_sink, nullptr)) {
        std::lock_guard lock(m_link->mutex);
        if (m_link->owner)
            sink->ended(exitCode);
    }
    tell(&CSshSession::channelEnded, exitCode);
}

void CSshWorker::lost(const QString &reason)
{
    endChannel(CSshSession::NoExitCode);
    close();
    tell(&CSshSession::connectionLost, reason);
}

void CSshWorker::close()
{
    endChannel(CSshSession::NoExitCode);
    stopWatching();
    if (m_session) {
        ssh_disconnect(m_session);
        ssh_free(m_session);
        m_session = nullptr;
    }
}

CSshSession::CSshSession(QObject *parent)
    : QObject(parent)
    , m_link(std::make_shared<CSshLink>())
    , m_thread(std::make_unique<QThread>())
{
    m_link->owner = this;
    m_worker = new CSshWorker(m_link);
    m_thread->setObjectName(QStringLiteral("ssh"));
    m_worker->moveToThread(m_thread.get());
    // Decoding a fast server's output must not take the processor from the
    // window that shows it: the thread yields to the UI thread.
    connect(m_thread.get(), &QThread::started, m_worker, [] { ::setpriority(PRIO_PROCESS, pid_t(::gettid()), kNiceness); },
            Qt::DirectConnection);
    m_thread->start();
}

CSshSession::~CSshSession()
{
    {
        std::lock_guard lock(m_link->mutex);
        m_link->owner = nullptr;
    }
    // The worker closes the connection, then goes with its thread, without
    // keeping the caller waiting for a server that does not answer.
    QThread *thread = m_thread.release();
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(m_worker, &QObject::destroyed, thread, &QThread::quit, Qt::DirectConnection);
    QMetaObject::invokeMethod(m_worker, [w = m_worker] {
        w->close();
        w->deleteLater();
    }, Qt::QueuedConnection);
}

template<typename F>
void CSshSession::onThread(F &&f)
{
    QMetaObject::invokeMethod(m_worker, std::forward<F>(f), Qt::QueuedConnection);
}

void CSshSession::setSink(CSshChannelSink *sink)
{
    onThread([w = m_worker, sink] { w->m_sink = sink; });
}

void CSshSession::open(const CSshLogin &login)
{
    onThread([w = m_worker, login] { w->open(login); });
}

void CSshSession::openShell(const QByteArray &terminal, int columns, int rows)
{
    onThread([w = m_worker, terminal, columns, rows] { w->openChannel(terminal, columns, rows, QString()); });
}

void CSshSession::openCommand(const QString &command)
{
    // A null command means a shell; an empty one still runs the user's shell with no words.
    const QString notNull = command.isNull() ? QStringLiteral("") : command;
    onThread([w = m_worker, notNull] { w->openChannel(QByteArray(), 0, 0, notNull); });
}

void CSshSession::setInputFd(int fd)
{
    onThread([w = m_worker, fd] { w->setInputFd(fd); });
}

void CSshSession::write(const QByteArray &bytes)
{
    onThread([w = m_worker, bytes] { w->write(bytes); });
}

void CSshSession::resizeTerminal(int columns, int rows)
{
    onThread([w = m_worker, columns, rows] { w->resize(columns, rows); });
}

void CSshSession::sendSignal(const QByteArray &name)
{
    onThread([w = m_worker, name] { w->sendSignal(name); });
}

void CSshSession::closeChannel(long exitCode)
{
    onThread([w = m_worker, exitCode] { w->endChannel(exitCode); });
}

void CSshSession::close()
{
    onThread([w = m_worker] { w->close(); });
}

void CSshSession::resumeReading()
{
    onThread([w = m_worker] { w->pump(); });
}

QString CSshSession::authMethodNames(int methods)
{
    QStringList names;
    const std::pair<int, const char *> known[] = {{SSH_AUTH_METHOD_PASSWORD, "password"},
                                                  {SSH_AUTH_METHOD_PUBLICKEY, "publickey"},
                                                  {SSH_AUTH_METHOD_HOSTBASED, "hostbased"},
                                                  {SSH_AUTH_METHOD_INTERACTIVE, "keyboard-interactive"},
                                                  {SSH_AUTH_METHOD_GSSAPI_MIC, "gssapi-with-mic"}};
    for (const auto &[bit, name] : known) {
        if (methods & bit)
            names << QLatin1String(name);
    }
    return names.isEmpty() ? QStringLiteral("no method") : names.join(QStringLiteral(", "));
}

int CSshSession::signalNumber(const QByteArray &name)
{
    static const std::pair<const char *, int> known[] = {
        {"HUP", SIGHUP},   {"INT", SIGINT},   {"QUIT", SIGQUIT}, {"ILL", SIGILL},   {"ABRT", SIGABRT},
        {"FPE", SIGFPE},   {"KILL", SIGKILL}, {"SEGV", SIGSEGV}, {"PIPE", SIGPIPE}, {"ALRM", SIGALRM},
        {"TERM", SIGTERM}, {"USR1", SIGUSR1}, {"USR2", SIGUSR2}};
    for (const auto &[text, number] : known) {
        if (name == text)
            return number;
    }
    return 0;
}
