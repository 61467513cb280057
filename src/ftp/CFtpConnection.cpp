#include "CFtpConnection.h"

#include "CFtpListReader.h"
#include "CKnownHosts.h"
#include "CTlsPeerCheck.h"
#include "CTrustStore.h"
#include "app/CSettings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QUrl>

#include <curl/curl.h>

#include <mutex>

namespace {

// Large reads per callback keep a download at the speed of the link; each
// piece goes straight from libcurl's buffer to the caller's sink.
constexpr long kBufferSize = 102400;
// SFTP reads as much per request as the buffer holds; more in flight keeps
// it ahead of the curl tool.
constexpr long kSftpBufferSize = 524288;

CURL *easy(void *p) { return static_cast<CURL *>(p); }
CURLM *multi(void *p) { return static_cast<CURLM *>(p); }

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlList
{
    curl_slist *list = nullptr;
    ~CurlList() { curl_slist_free_all(list); }
    void set(const QStringList &lines)
    {
        curl_slist_free_all(list);
        list = nullptr;
        for (const QString &line : lines)
            list = curl_slist_append(list, line.toUtf8().constData());
    }
};

// The path of a 257 reply: the text between the first quote and its closing
// quote, with doubled quotes standing for one.
QString pathOfPwdReply(const QString &line)
{
    const int open = line.indexOf(QLatin1Char('"'));
    if (open < 0)
        return QString();
    QString path;
    for (int i = open + 1; i < line.size(); ++i) {
        if (line.at(i) == QLatin1Char('"')) {
            if (i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
                path += QLatin1Char('"');
                ++i;
                continue;
            }
            return path;
        }
        path += line.at(i);
    }
    return QString();
}

// An absolute path with "." and ".." resolved; ".." at the root stays there.
QString normalizedPath(const QString &path)
{
    QStringList parts;
    for (const QString &part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (part != QLatin1String("."))
            parts << part;
    }
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

// The user's own key for SFTP, the first of the usual names that exists.
QString userKeyFile()
{
    for (const char *name : {"id_ed25519", "id_ecdsa", "id_rsa"}) {
        const QString path = QDir::homePath() + QStringLiteral("/.ssh/") + QLatin1String(name);
        if (QFile::exists(path))
            return path;
    }
    return QString();
}

bool discard(const char *, size_t) { return true; }

} // namespace

struct CFtpConnection::Callbacks
{
    static int onHostKey(CURL *, const curl_khkey *, const curl_khkey *found, curl_khmatch match, void *self)
    {
        auto *c = static_cast<CFtpConnection *>(self);
        if (match == CURLKHMATCH_OK)
            return CURLKHSTAT_FINE;
        c->m_peer = CPeerIdentity();
        c->m_peer.kind = CPeerIdentity::HostKey;
        c->m_peer.changed = match == CURLKHMATCH_MISMATCH;
        c->m_peer.host = c->m_host;
        c->m_peer.port = c->m_port;
        c->m_peer.key = found->len ? QByteArray(found->key, qsizetype(found->len))
                                   : QByteArray::fromBase64(QByteArray(found->key));
        c->m_peer.subject = CKnownHosts::keyType(c->m_peer.key);
        c->m_peer.fingerprint = CKnownHosts::fingerprint(c->m_peer.key);
        return CURLKHSTAT_REJECT;
    }
};

struct CFtpConnection::Request
{
    QString url;
    bool nobody = false;
    bool text = false;
    QStringList prequote;
    QStringList postquote;
    CurlList prequoteList;
    CurlList postquoteList;
    // Download
    Sink sink;
    bool sinkRefused = false;
    qint64 delivered = 0;
    // Set while a wait handler is due a turn: the write pauses so that the
    // loop gets one even while data streams in without a break.
    const QElapsedTimer *sinceWait = nullptr;
    bool paused = false;
    const std::atomic<bool> *cancel = nullptr;
    // Upload, from memory or from a file
    bool upload = false;
    const QByteArray *upData = nullptr;
    QFile *upFile = nullptr;
    qint64 upPos = 0;
};

CFtpConnection::CFtpConnection()
{
    initLibrary();
    m_tls = std::make_unique<CTlsPeerCheck>();
    m_easy = curl_easy_init();
    m_multi = curl_multi_init();
}

CFtpConnection::~CFtpConnection()
{
    curl_multi_cleanup(multi(m_multi));
    curl_easy_cleanup(easy(m_easy));
}

void CFtpConnection::cancel()
{
    m_cancel = true;
    std::lock_guard lock(m_multiMutex);
    curl_multi_wakeup(multi(m_multi));
}

void CFtpConnection::close()
{
    if (!m_open)
        return;
    m_open = false;
    // New handles drop the connection (the multi handle keeps it cached),
    // saying QUIT to an FTP server; the next connect meets the server anew.
    curl_easy_cleanup(easy(m_easy));
    m_easy = curl_easy_init();
    std::lock_guard lock(m_multiMutex);
    curl_multi_cleanup(multi(m_multi));
    m_multi = curl_multi_init();
}

QString CFtpConnection::baseUrl() const
{
    QString host = m_host;
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    return QStringLiteral("%1://%2:%3/").arg(isSftp() ? QLatin1String("sftp") : QLatin1String("ftp"), host).arg(m_port);
}

QString CFtpConnection::directoryUrl(const QString &dir) const
{
    // "%2F" makes an FTP path absolute; the single CWD names the whole
    // folder. An SFTP path is absolute as it stands.
    QString url = baseUrl();
    if (!isSftp())
        url += QStringLiteral("%2F");
    const QStringList parts = dir.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts)
        url += QString::fromLatin1(QUrl::toPercentEncoding(part)) + QLatin1Char('/');
    if (parts.isEmpty() && !isSftp())
        url += QLatin1Char('/');
    return url;
}

QString CFtpConnection::fileUrl(const QString &name) const
{
    return directoryUrl(m_currentDir) + QString::fromLatin1(QUrl::toPercentEncoding(name));
}

QString CFtpConnection::checkName(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("No name given");
    if (name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n')) || name.contains(QChar(0)))
        return QStringLiteral("The name \"%1\" holds a line break or a NUL character").arg(name);
    return QString();
}

size_t CFtpConnection::onHeader(char *data, size_t size, size_t count, void *self)
{
    auto *c = static_cast<CFtpConnection *>(self);
    QString line = QString::fromUtf8(data, qsizetype(size * count)).trimmed();
    if (line.size() >= 3 && line.at(0).isDigit() && line.at(1).isDigit() && line.at(2).isDigit()) {
        c->m_lastReply = line;
        if (line.startsWith(QLatin1String("257")))
            c->m_lastPwd = pathOfPwdReply(line);
    }
    return size * count;
}

size_t CFtpConnection::onWrite(char *data, size_t size, size_t count, void *request)
{
    // Copying into a buffer of our own, freed and grown again for every
    // megabyte, cost more than the TLS decryption (page faults on fresh memory).
    auto *r = static_cast<Request *>(request);
    const size_t n = size * count;
    if (r->cancel && *r->cancel)
        return 0;
    if (r->sinceWait && r->sinceWait->elapsed() >= WaitIntervalMs) {
        // libcurl keeps this piece and delivers it again once resumed.
        r->paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (r->sink && !r->sink(data, n)) {
        r->sinkRefused = true;
        return 0;
    }
    r->delivered += qint64(n);
    return n;
}

size_t CFtpConnection::onRead(char *data, size_t size, size_t count, void *request)
{
    auto *r = static_cast<Request *>(request);
    const qint64 room = qint64(size * count);
    if (r->upFile) {
        const qint64 got = r->upFile->read(data, room);
        return got < 0 ? CURL_READFUNC_ABORT : size_t(got);
    }
    const qint64 left = r->upData->size() - r->upPos;
    const qint64 n = qMin(left, room);
    memcpy(data, r->upData->constData() + r->upPos, size_t(n));
    r->upPos += n;
    return size_t(n);
}

void CFtpConnection::prepare(Request &r)
{
    CURL *e = easy(m_easy);
    curl_easy_reset(e);
    curl_easy_setopt(e, CURLOPT_URL, r.url.toUtf8().constData());
    curl_easy_setopt(e, CURLOPT_USERNAME, m_user.toUtf8().constData());
    curl_easy_setopt(e, CURLOPT_PASSWORD, m_password.toUtf8().constData());
    curl_easy_setopt(e, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, long(m_connectTimeout));
    curl_easy_setopt(e, CURLOPT_ACCEPTTIMEOUT_MS, 10000L);
    curl_easy_setopt(e, CURLOPT_FTP_RESPONSE_TIMEOUT, 60L);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, isSftp() ? kSftpBufferSize : kBufferSize);
    if (m_passive) {
        curl_easy_setopt(e, CURLOPT_FTPPORT, nullptr);
    } else {
        curl_easy_setopt(e, CURLOPT_FTPPORT, "-");
        curl_easy_setopt(e, CURLOPT_FTP_USE_EPRT, 1L);
    }
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, m_errorBuffer.data());
    if (m_protocol == CFtpHost::Ftps) {
        // The certificate check is done by CTlsPeerCheck inside the handshake.
        curl_easy_setopt(e, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION, &CTlsPeerCheck::onContext);
        curl_easy_setopt(e, CURLOPT_SSL_CTX_DATA, m_tls.get());
    } else if (isSftp()) {
        curl_easy_setopt(e, CURLOPT_SSH_KNOWNHOSTS, CKnownHosts::userFile().toUtf8().constData());
        curl_easy_setopt(e, CURLOPT_SSH_KEYFUNCTION, &Callbacks::onHostKey);
        curl_easy_setopt(e, CURLOPT_SSH_KEYDATA, this);
        if (m_password.isEmpty()) {
            curl_easy_setopt(e, CURLOPT_SSH_AUTH_TYPES, long(CURLSSH_AUTH_PUBLICKEY | CURLSSH_AUTH_AGENT));
            const QString key = userKeyFile();
            if (!key.isEmpty()) {
                curl_easy_setopt(e, CURLOPT_SSH_PRIVATE_KEYFILE, key.toUtf8().constData());
                if (QFile::exists(key + QStringLiteral(".pub")))
                    curl_easy_setopt(e, CURLOPT_SSH_PUBLIC_KEYFILE, (key + QStringLiteral(".pub")).toUtf8().constData());
            }
        } else {
            curl_easy_setopt(e, CURLOPT_SSH_AUTH_TYPES, long(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
        }
    }
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &CFtpConnection::onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &CFtpConnection::onWrite);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &r);
    if (r.nobody)
        curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    if (r.text && !isSftp())
        curl_easy_setopt(e, CURLOPT_TRANSFERTEXT, 1L);
    if (!r.prequote.isEmpty()) {
        // SFTP has no transfer type; its commands run before the transfer.
        r.prequoteList.set(r.prequote);
        curl_easy_setopt(e, isSftp() ? CURLOPT_QUOTE : CURLOPT_PREQUOTE, r.prequoteList.list);
    }
    if (!r.postquote.isEmpty()) {
        r.postquoteList.set(r.postquote);
        curl_easy_setopt(e, CURLOPT_POSTQUOTE, r.postquoteList.list);
    }
    if (r.upload) {
        r.upPos = 0;
        if (r.upFile)
            r.upFile->seek(0);
        curl_easy_setopt(e, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(e, CURLOPT_READFUNCTION, &CFtpConnection::onRead);
        curl_easy_setopt(e, CURLOPT_READDATA, &r);
        const qint64 size = r.upFile ? r.upFile->size() : r.upData->size();
        curl_easy_setopt(e, CURLOPT_INFILESIZE_LARGE, curl_off_t(size));
    }
}

int CFtpConnection::perform(Request &r)
{
    if (m_cancel)
        return CURLE_ABORTED_BY_CALLBACK;
    m_lastReply.clear();
    m_responseCode = 0;
    m_errorBuffer[0] = 0;
    prepare(r);
    CURL *e = easy(m_easy);
    CURLM *m = multi(m_multi);
    curl_multi_add_handle(m, e);
    CURLcode result = CURLE_OK;
    bool done = false;
    QElapsedTimer sinceWait;
    sinceWait.start();
    r.sinceWait = m_waitHandler ? &sinceWait : nullptr;
    r.cancel = &m_cancel;
    while (!done) {
        if (m_waitHandler && sinceWait.elapsed() >= WaitIntervalMs) {
            m_waitHandler();
            sinceWait.restart();
        }
        int running = 0;
        curl_multi_perform(m, &running);
        if (r.paused) {
            r.paused = false;
            m_waitHandler();
            sinceWait.restart();
            if (m_cancel) {
                result = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
            curl_easy_pause(e, CURLPAUSE_CONT);
            continue;
        }
        int queued = 0;
        while (CURLMsg *msg = curl_multi_info_read(m, &queued)) {
            if (msg->msg == CURLMSG_DONE) {
                result = msg->data.result;
                done = true;
            }
        }
        if (done)
            break;
        if (m_cancel) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        curl_multi_poll(m, nullptr, 0, m_waitHandler ? WaitIntervalMs : 1000, nullptr);
    }
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &m_responseCode);
    curl_multi_remove_handle(m, e);
    if (m_cancel && result == CURLE_WRITE_ERROR)
        result = CURLE_ABORTED_BY_CALLBACK;
    if (result == CURLE_OK && r.sinkRefused)
        result = CURLE_WRITE_ERROR;
    return result;
}

QString CFtpConnection::run(Request &r)
{
    int code = perform(r);
    bool reconnected = false;
    for (int attempt = 0; attempt < 2 && code != CURLE_OK && !m_cancel && r.delivered == 0; ++attempt) {
        const bool idleClosed = m_responseCode == 421 || code == CURLE_OPERATION_TIMEDOUT;
        const bool activeFailed = !m_passive
            && (code == CURLE_FTP_PORT_FAILED || code == CURLE_FTP_ACCEPT_FAILED
                || code == CURLE_FTP_ACCEPT_TIMEOUT);
        if (activeFailed) {
            m_passive = true;
        } else if (idleClosed && !reconnected && m_open) {
            reconnected = true;
        } else {
            break;
        }
        code = perform(r);
    }
    return code == CURLE_OK ? QString() : describe(code);
}

QString CFtpConnection::describe(int code) const
{
    if (code == CURLE_ABORTED_BY_CALLBACK && m_cancel)
        return QStringLiteral("Cancelled");
    QString text = QString::fromUtf8(curl_easy_strerror(CURLcode(code)));
    if (m_protocol == CFtpHost::Ftp) {
        // In active mode libcurl's error buffer names a failure it recovered from.
        if (m_responseCode >= 400 && !m_lastReply.isEmpty())
            text = m_lastReply + QStringLiteral(" - ") + text;
        return text;
    }
    if (const QString detail = QString::fromUtf8(m_errorBuffer.data()).trimmed(); !detail.isEmpty())
        text = detail;
    if (!isSftp() && m_responseCode >= 400 && !m_lastReply.isEmpty())
        text = m_lastReply;
    if (code == CURLE_LOGIN_DENIED) {
        if (isSftp() && m_password.isEmpty())
            return QStringLiteral("The server did not accept your SSH keys in ~/.ssh (%1)").arg(text);
        return QStringLiteral("The server refused the user name or password (%1)").arg(text);
    }
    return text;
}

QString CFtpConnection::unverifiedText(int code) const
{
    if (m_peer.kind == CPeerIdentity::Certificate)
        return QStringLiteral("The server's certificate could not be verified: %1").arg(m_peer.reason);
    if (m_peer.changed)
        return CKnownHosts::changedText(CKnownHosts::userFile(), m_host, m_port);
    if (m_peer.kind == CPeerIdentity::HostKey)
        return QStringLiteral("The host key of %1 is not in %2").arg(m_host, CKnownHosts::userFile());
    return describe(code);
}

QString CFtpConnection::connect(const QString &host, const QString &user, const QString &password, long port)
{
    close();
    if (!CSettings::isPort(port))
        return QStringLiteral("The port number %1 is not between 0 and %2").arg(port).arg(CSettings::MaxPort);
    QString schemeError;
    const CFtpHost parsed = CFtpHost::parse(host, &schemeError);
    m_protocol = parsed.protocol;
    m_host = parsed.name;
    m_user = user;
    m_password = password;
    m_port = port == 0 ? parsed.defaultPort() : int(port);
    // This libcurl cannot take an active data connection under TLS.
    m_passive = m_protocol == CFtpHost::Ftps;
    m_peer = CPeerIdentity();
    if (!schemeError.isEmpty())
        return schemeError;
    if (m_host.isEmpty())
        return QStringLiteral("No host name given");
    if (m_protocol == CFtpHost::Ftps)
        m_tls->reset(m_host, CTrustStore::trustedFingerprint(m_host, m_port));
    Request r;
    r.url = baseUrl();
    r.nobody = true;
    if (isSftp()) {
        // The login folder: SFTP's "pwd" names the home folder.
        r.url += QStringLiteral("~/");
        r.prequote = {QStringLiteral("pwd")};
        m_lastPwd.clear();
    }
    const int code = perform(r);
    if (m_protocol == CFtpHost::Ftps && m_tls->refused()) {
        m_peer.kind = CPeerIdentity::Certificate;
        m_peer.host = m_host;
        m_peer.port = m_port;
        m_peer.subject = m_tls->subject();
        m_peer.fingerprint = m_tls->fingerprint();
        m_peer.reason = m_tls->reason();
    }
    if (code != CURLE_OK)
        return unverifiedText(code);
    if (isSftp()) {
        m_currentDir = normalizedPath(m_lastPwd);
    } else {
        char *entry = nullptr;
        curl_easy_getinfo(easy(m_easy), CURLINFO_FTP_ENTRY_PATH, &entry);
        m_currentDir = entry && *entry ? QString::fromUtf8(entry) : QStringLiteral("/");
        if (!m_currentDir.startsWith(QLatin1Char('/')))
            m_currentDir.prepend(QLatin1Char('/'));
    }
    m_open = true;
    return QString();
}

QString CFtpConnection::setCurrentDirectory(const QString &dir)
{
    if (dir.isEmpty())
        return QStringLiteral("No directory name given");
    if (dir.contains(QLatin1Char('\r')) || dir.contains(QLatin1Char('\n')))
        return QStringLiteral("The directory name holds a line break");
    const QString target = dir.startsWith(QLatin1Char('/')) ? dir : m_currentDir + QLatin1Char('/') + dir;
    if (isSftp()) {
        // SFTP has no current folder of its own: the folder is listed to show it is there.
        const QString path = normalizedPath(target);
        Request r;
        r.url = directoryUrl(path);
        r.sink = discard;
        if (const QString error = run(r); !error.isEmpty())
            return error;
        m_currentDir = path;
        return QString();
    }
    Request r;
    r.url = directoryUrl(target);
    r.nobody = true;
    r.postquote = {QStringLiteral("PWD")};
    m_lastPwd.clear();
    const QString error = run(r);
    if (!error.isEmpty())
        return error;
    if (m_lastPwd.isEmpty())
        return QStringLiteral("The server did not say which directory it is in");
    m_currentDir = m_lastPwd;
    return QString();
}

QString CFtpConnection::commandOnCurrentDir(const QStringList &commands)
{
    Request r;
    r.url = directoryUrl(m_currentDir);
    r.nobody = true;
    r.postquote = commands;
    return run(r);
}

QString CFtpConnection::sftpCommand(const char *command, const QStringList &names) const
{
    // Paths are quoted, with backslashes and quotes escaped, so blanks and
    // quotes in names pass through.
    QString line = QLatin1String(command);
    for (const QString &name : names) {
        // Not normalized: ".." in a name is the server's to judge, as over FTP.
        QString path = name.startsWith(QLatin1Char('/')) ? name
            : m_currentDir.endsWith(QLatin1Char('/')) ? m_currentDir + name : m_currentDir + QLatin1Char('/') + name;
        path.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
        line += QStringLiteral(" \"") + path + QLatin1Char('"');
    }
    return line;
}

QString CFtpConnection::createDirectory(const QString &name)
{
    if (QString e = checkName(name); !e.isEmpty())
        return e;
    return commandOnCurrentDir({isSftp() ? sftpCommand("mkdir", {name}) : QStringLiteral("MKD ") + name});
}

QString CFtpConnection::removeDirectory(const QString &name)
{
    if (QString e = checkName(name); !e.isEmpty())
        return e;
    return commandOnCurrentDir({isSftp() ? sftpCommand("rmdir", {name}) : QStringLiteral("RMD ") + name});
}

QString CFtpConnection::rename(const QString &oldName, const QString &newName)
{
    if (QString e = checkName(oldName); !e.isEmpty())
        return e;
    if (QString e = checkName(newName); !e.isEmpty())
        return e;
    if (isSftp())
        return commandOnCurrentDir({sftpCommand("rename", {oldName, newName})});
    return commandOnCurrentDir({QStringLiteral("RNFR ") + oldName, QStringLiteral("RNTO ") + newName});
}

QString CFtpConnection::remove(const QString &name)
{
    if (QString e = checkName(name); !e.isEmpty())
        return e;
    return commandOnCurrentDir({isSftp() ? sftpCommand("rm", {name}) : QStringLiteral("DELE ") + name});
}

QString CFtpConnection::list(QList<CFtpEntry> &entries, QString *cutNote)
{
    entries.clear();
    // Lines are parsed as they arrive; a listing cut at its bound ends the
    // transfer and counts as read.
    CFtpListReader reader(QDateTime::currentDateTime(), m_listingLimits.first, m_listingLimits.second);
    Request r;
    r.url = directoryUrl(m_currentDir);
    r.sink = [&reader](const char *data, size_t size) { return reader.feed(data, qsizetype(size)); };
    QString error = run(r);
    if (reader.isCut())
        error.clear();
    reader.finish();
    if (cutNote)
        *cutNote = reader.cutNote();
    if (error.isEmpty())
        entries = reader.takeEntries();
    if (isSftp()) {
        entries.removeIf([](const CFtpEntry &entry) {
            return entry.name == QLatin1String(".") || entry.name == QLatin1String("..");
        });
    }
    return error;
}

QString CFtpConnection::readFile(const QString &name, TransferType type, const Sink &sink)
{
    if (QString e = checkName(name); !e.isEmpty())
        return e;
    if (name.contains(QLatin1Char('/')))
        return QStringLiteral("The name \"%1\" holds a \"/\"").arg(name);
    Request r;
    r.url = fileUrl(name);
    // libcurl sets the type itself for a download and converts nothing; in
    // ASCII it does not hold the data to the size the server reports.
    r.text = type == Ascii;
    // An upload that failed before its closing TYPE I may have left the server
    // in ASCII while libcurl believes it is in binary.
    if (!r.text && !isSftp())
        r.prequote = {QStringLiteral("TYPE I")};
    r.sink = sink;
    return run(r);
}

QString CFtpConnection::readFile(const QString &name, TransferType type, QByteArray &bytes)
{
    bytes.clear();
    return readFile(name, type, [&bytes](const char *data, size_t size) {
        bytes.append(data, qsizetype(size));
        return true;
    });
}

QByteArray CFtpConnection::toNetworkLineEnds(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 32);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '\n' && (i == 0 || text.at(i - 1) != '\r'))
            out.append('\r');
        out.append(c);
    }
    return out;
}

QString CFtpConnection::putData(const QByteArray &data, const QString &name, TransferType type)
{
    if (QString e = checkName(name); !e.isEmpty())
        return e;
    if (name.contains(QLatin1Char('/')))
        return QStringLiteral("The name \"%1\" holds a \"/\"").arg(name);
    QByteArray sent = data;
    if (type == Ascii)
        sent = isSftp() ? sent.replace("\r\n", "\n") : toNetworkLineEnds(data);
    Request r;
    r.url = fileUrl(name);
    r.upload = true;
    r.upData = &sent;
    if (isSftp())
        return run(r);
    // libcurl's own text mode would add a CR before every LF, even after a CR,
    // so it is left in binary and the type is sent here, then set back.
    r.prequote = {type == Ascii ? QStringLiteral("TYPE A") : QStringLiteral("TYPE I")};
    r.postquote = {QStringLiteral("TYPE I")};
    return run(r);
}

QString CFtpConnection::putFile(const QString &localPath, const QString &name, TransferType type)
{
    QFile file(localPath);
    if (localPath.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return QStringLiteral("Could not open \"%1\": %2").arg(localPath, file.errorString());
    if (type == Ascii)
        return putData(file.readAll(), name, type);
    if (QString e = checkName(name); !e.isEmpty())
        return e;
    if (name.contains(QLatin1Char('/')))
        return QStringLiteral("The name \"%1\" holds a \"/\"").arg(name);
    Request r;
    r.url = fileUrl(name);
    r.upload = true;
    r.upFile = &file;
    if (!isSftp())
        r.prequote = {QStringLiteral("TYPE I")};
    return run(r);
}
