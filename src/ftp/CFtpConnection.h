#pragma once

#include "CFtpEntry.h"
#include "CFtpHost.h"
#include "CFtpListReader.h"
#include "CPeerIdentity.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class CTlsPeerCheck;

// An FTP session on one server over libcurl: one login, kept for every
// operation until close(). The same operations run over FTP with TLS and
// over SFTP when the host name starts with ftps:// or sftp://. The current directory is kept here as an absolute
// server path and every request names its folder in full, so no operation
// depends on where an earlier one left the server. Transfers use active mode;
// one whose data connection cannot be made that way is retried once in
// passive mode, which is then kept. Every operation returns an empty string
// on success, else what failed and why (the server's reply when it gave one).
class CFtpConnection
{
public:
    enum TransferType { Ascii = 1, Binary = 2 };
    // Receives downloaded bytes in order; returning false stops the transfer.
    using Sink = std::function<bool(const char *data, size_t size)>;

    CFtpConnection();
    ~CFtpConnection();
    CFtpConnection(const CFtpConnection &) = delete;
    CFtpConnection &operator=(const CFtpConnection &) = delete;

    // Port 0 is the protocol's default: 21 for FTP and FTPS, 22 for SFTP; a
    // number outside 0 to 65535 is refused.
    // SFTP logs in with the user's own keys in ~/.ssh when `password` is empty.
    // A TLS certificate passes when the system's store vouches for it or the
    // user trusted it (CTrustStore); an SSH host key must be in the user's
    // known_hosts. When either fails, unverifiedPeer() tells what the server showed.
    QString connect(const QString &host, const QString &user, const QString &password, long port);
    // Ends a running connect or transfer from another thread; it returns an
    // error, and so does every later operation.
    void cancel();
    void setConnectTimeout(int seconds) { m_connectTimeout = seconds; }
    // Called on the requesting thread every WaitIntervalMs while a request
    // runs, so that windows can repaint and a Cancel can call cancel().
    static constexpr int WaitIntervalMs = 50;
    void setWaitHandler(std::function<void()> handler) { m_waitHandler = std::move(handler); }
    bool isOpen() const { return m_open; }
    bool isPassive() const { return m_passive; }
    CFtpHost::Protocol protocol() const { return m_protocol; }
    const CPeerIdentity &unverifiedPeer() const { return m_peer; }
    void close();

    QString currentDirectory() const { return m_currentDir; }
    // `dir` is absolute or relative to the current directory; the server's
    // answer to PWD becomes the new current directory.
    QString setCurrentDirectory(const QString &dir);
    // A listing longer than its bound (CFtpListReader) is cut there and
    // `cutNote` says so; else it is emptied.
    QString list(QList<CFtpEntry> &entries, QString *cutNote = nullptr);
    // The bound of a listing, in bytes and entries.
    void setListingLimits(qint64 bytes, qsizetype entries) { m_listingLimits = {bytes, entries}; }
    QString createDirectory(const QString &name);
    QString removeDirectory(const QString &name);
    QString rename(const QString &oldName, const QString &newName);
    QString remove(const QString &name);

    // Downloads `name` of the current directory. In ASCII the bytes are the
    // server's text form; the caller splits the lines.
    QString readFile(const QString &name, TransferType type, const Sink &sink);
    QString readFile(const QString &name, TransferType type, QByteArray &bytes);
    // Uploads as `name` into the current directory. ASCII data gets network
    // line ends: each LF without a CR before it becomes CR LF, once. Over
    // SFTP, ASCII stores what an FTP server on Unix stores: CR LF becomes LF.
    QString putData(const QByteArray &data, const QString &name, TransferType type);
    QString putFile(const QString &localPath, const QString &name, TransferType type);

    // The server's last reply line.
    QString lastReply() const { return m_lastReply; }

    static QByteArray toNetworkLineEnds(const QByteArray &text);

private:
    struct Request;
    struct Callbacks;

    bool isSftp() const { return m_protocol == CFtpHost::Sftp; }
    QString sftpCommand(const char *command, const QStringList &names) const;
    QString unverifiedText(int code) const;
    QString baseUrl() const;
    QString directoryUrl(const QString &dir) const;
    QString fileUrl(const QString &name) const;
    QString commandOnCurrentDir(const QStringList &commands);
    // Runs one request, reconnecting once after an idle time-out and retrying
    // once in passive mode when active mode cannot make the data connection.
    QString run(Request &request);
    int perform(Request &request);
    void prepare(Request &request);
    QString describe(int code) const;
    static QString checkName(const QString &name);
    static size_t onHeader(char *data, size_t size, size_t count, void *self);
    static size_t onWrite(char *data, size_t size, size_t count, void *request);
    static size_t onRead(char *data, size_t size, size_t count, void *request);

    void *m_easy = nullptr;
    void *m_multi = nullptr;
    std::mutex m_multiMutex;
    std::atomic<bool> m_cancel{false};
    std::function<void()> m_waitHandler;
    bool m_open = false;
    bool m_passive = false;
    int m_connectTimeout = 30;
    std::pair<qint64, qsizetype> m_listingLimits{CFtpListReader::MaxBytes, CFtpListReader::MaxEntries};
    QString m_host;
    QString m_user;
    QString m_password;
    int m_port = 21;
    QString m_currentDir;
    QString m_lastReply;
    QString m_lastPwd;
    long m_responseCode = 0;
    CFtpHost::Protocol m_protocol = CFtpHost::Ftp;
    std::unique_ptr<CTlsPeerCheck> m_tls;
    CPeerIdentity m_peer;
    std::array<char, 256> m_errorBuffer{};
};
