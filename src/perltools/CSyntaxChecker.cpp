#include "CSyntaxChecker.h"

#include "CSyntaxCheckCommand.h"
#include "CSyntaxReport.h"

#include <atomic>
#include <thread>

struct CSyntaxChecker::Job
{
    std::atomic<bool> cancel{false};
    std::thread thread;
};

CSyntaxChecker::CSyntaxChecker(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, &CSyntaxChecker::start);
}

CSyntaxChecker::~CSyntaxChecker()
{
    cancelRunning();
    if (m_job && m_job->thread.joinable())
        m_job->thread.join();
}

void CSyntaxChecker::setEnabled(bool on)
{
    m_enabled = on;
    if (!on)
        cancel();
}

void CSyntaxChecker::cancel()
{
    m_timer.stop();
    m_startWhenDone = false;
    cancelRunning();
}

void CSyntaxChecker::setPerl(const QString &perl, const QString &missing)
{
    m_perl = perl;
    m_missing = missing;
}

void CSyntaxChecker::textChanged(const QString &path, TextSource source)
{
    if (!m_enabled)
        return;
    m_path = path;
    m_source = std::move(source);
    cancelRunning();
    m_timer.start();
}

void CSyntaxChecker::cancelRunning()
{
    ++m_generation;
    if (m_job)
        m_job->cancel = true;
}

void CSyntaxChecker::start()
{
    if (!m_enabled || !m_source)
        return;
    if (m_job) {
        // The killed check ends soon; this one follows it.
        m_startWhenDone = true;
        return;
    }
    if (m_perl.isEmpty()) {
        emit checked({}, m_missing);
        return;
    }
    emit checkStarted();
    const quint64 generation = ++m_generation;
    const QString name = CSyntaxCheckCommand::messageName(m_path);
    m_job = std::make_unique<Job>();
    std::atomic<bool> *cancel = &m_job->cancel;
    m_job->thread = std::thread([this, perl = m_perl, path = m_path, text = m_source(), cancel, generation, name] {
        const CToolResult result = CSyntaxCheckCommand::build(perl, path, text).run(cancel);
        QMetaObject::invokeMethod(
            this, [this, generation, result, name] { finish(generation, result, name); }, Qt::QueuedConnection);
    });
}

void CSyntaxChecker::finish(quint64 generation, const CToolResult &result, const QString &name)
{
    if (m_job) {
        m_job->thread.join();
        m_job.reset();
    }
    if (generation == m_generation && !result.cancelled) {
        const QList<CDiagnostic> diagnostics = CSyntaxReport::parse(result, name);
        emit checked(diagnostics, CSyntaxReport::status(result, diagnostics));
    }
    if (m_startWhenDone) {
        m_startWhenDone = false;
        start();
    }
}
