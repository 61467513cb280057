#pragma once

#include "CDiagnostic.h"
#include "CToolRun.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

// The syntax check while typing: a pause of `delay` after the last change
// starts a check of the text as it is then, off the user-interface thread; a
// change kills a check that is still running, whose answer no longer fits the
// text. One check runs at a time.
class CSyntaxChecker : public QObject
{
    Q_OBJECT

public:
    using TextSource = std::function<QByteArray()>;

    explicit CSyntaxChecker(QObject *parent = nullptr);
    // Kills a running check and waits for its thread.
    ~CSyntaxChecker() override;

    // Off: nothing is checked, a running check is killed.
    void setEnabled(bool on);
    bool isEnabled() const { return m_enabled; }
    // The interpreter to run; empty when none is to be had (`missing` says why).
    void setPerl(const QString &perl, const QString &missing = QString());
    void setDelay(int milliseconds) { m_timer.setInterval(milliseconds); }

    // The text of the script at `path` changed; `source` gives the text at
    // the time the check starts.
    void textChanged(const QString &path, TextSource source);
    // Forgets a change not yet checked and kills a running check.
    void cancel();
    bool isRunning() const { return m_job != nullptr; }
    bool isWaiting() const { return m_timer.isActive(); }

signals:
    void checkStarted();
    // A check ended: its messages and the status bar's text.
    void checked(const QList<CDiagnostic> &diagnostics, const QString &status);

private:
    struct Job;
    void start();
    void finish(quint64 generation, const CToolResult &result, const QString &name);
    void cancelRunning();

    QTimer m_timer;
    bool m_enabled = true;
    QString m_perl;
    QString m_missing;
    QString m_path;
    TextSource m_source;
    quint64 m_generation = 0;
    bool m_startWhenDone = false;
    std::unique_ptr<Job> m_job;
};
