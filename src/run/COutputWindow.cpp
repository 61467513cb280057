#include "COutputWindow.h"

#include "CCgiResponse.h"
#include "COutputBuffer.h"
#include "CPaneFeeder.h"
#include "CPipe.h"
#include "CProcess.h"
#include "CScriptInputsDlg.h"
#include "CSendInputDlg.h"
#include "CSpillFile.h"
#include "CTerminalPane.h"
#include "app/CDialogUnits.h"

#include <QAction>
#include <QDateTime>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <chrono>
#include <vector>

namespace {

enum OutputCommand {
    ID_OUTPUT_FONT = 32776,
    ID_OUTPUT_VIEW_INPUTS = 32997,
    ID_OUTPUT_SEND_INPUT = 33015,
    ID_OUTPUT_REFRESH = 33014,
    ID_OUTPUT_CLOSE = 32992,
    ID_OUTPUT_SAVE_OUTPUT = 33050,
    ID_OUTPUT_SAVE_ERRORS = 33051,
};

constexpr int kReadBufferSize = 16 * 1024;
// After the child has ended, a reader still takes what is in its pipe, but
// no more than this much from a descendant that keeps on writing.
constexpr qsizetype kDrainLimit = 4 * 1024 * 1024;
constexpr int kNotifyAttempts = 15;
constexpr auto kNotifyPause = std::chrono::milliseconds(100);
// A child writing line by line (unbuffered STDOUT) would otherwise cost a
// read, a decode and a hand-over per line: after a short read the reader
// lets the pipe fill for a moment. What was read is shown at once.
constexpr int kShortRead = 4096;
// A script that prints its own name and line numbers without end is not
// worth a format change per line beyond these.
constexpr int kMaxLinksPerPane = 10000;
constexpr auto kShortReadPause = std::chrono::milliseconds(1);
// The In Browser program gets at most this much of a response's body.
constexpr qint64 kMaxBrowserBody = 64 * 1024 * 1024;

CTerminalPane *makePane(const char *name, const QString &title, const QString &tip, QWidget *parent)
{
    auto *pane = new CTerminalPane(title, parent);
    pane->setObjectName(QLatin1String(name));
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pane->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    pane->setToolTip(tip);
    return pane;
}

} // namespace

COutputWindow::COutputWindow(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("COutputWindow"));
    setWindowTitle(QStringLiteral("Output Window"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setSizeGripEnabled(false);

    m_menuBar = new QMenuBar(this);
    QMenu *options = m_menuBar->addMenu(QStringLiteral("&Options"));
    auto addCommand = [&](int id, const QString &text, const QString &prompt, void (COutputWindow::*slot)()) {
        QAction *a = options->addAction(text);
        a->setObjectName(QStringLiteral("command%1").arg(id));
        a->setStatusTip(prompt);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    addCommand(ID_OUTPUT_FONT, QStringLiteral("&Font"), QString(), &COutputWindow::OnFont);
    addCommand(ID_OUTPUT_VIEW_INPUTS, QStringLiteral("View &Inputs"),
               QStringLiteral("View inputs to the running script."), &COutputWindow::OnViewInputs);
    addCommand(ID_OUTPUT_SEND_INPUT, QStringLiteral("&Send Input"),
               QStringLiteral("Send more inputs to the running script."), &COutputWindow::OnSendInput);
    addCommand(ID_OUTPUT_REFRESH, QStringLiteral("&Refresh"), QStringLiteral("Refresh"), &COutputWindow::OnRefresh);
    addCommand(ID_OUTPUT_SAVE_OUTPUT, QStringLiteral("Save &Output\u2026"),
               QStringLiteral("Save the whole standard output of the script to a file."), &COutputWindow::OnSaveOutput);
    addCommand(ID_OUTPUT_SAVE_ERRORS, QStringLiteral("Save &Errors\u2026"),
               QStringLiteral("Save the whole standard error output of the script to a file."),
               &COutputWindow::OnSaveErrors);
    options->addSeparator();
    addCommand(ID_OUTPUT_CLOSE, QStringLiteral("&Close"), QStringLiteral("Close the output window"),
               &COutputWindow::OnClose);

    m_client = new QWidget(this);
    m_client->installEventFilter(this);
    m_streams[StdOut].pane = makePane("1005", QStringLiteral("Output"), QStringLiteral("Standard output of the process."),
                                      m_client);
    m_streams[StdErr].pane = makePane("1006", QStringLiteral("Errors"),
                                      QStringLiteral("Standard error output of the process."), m_client);
    m_streams[StdOut].pane->setRecoveryHint(QStringLiteral("Options > Save Output saves all of it"));
    m_streams[StdErr].pane->setRecoveryHint(QStringLiteral("Options > Save Errors saves all of it"));
    m_status = new QLineEdit(m_client);
    m_status->setObjectName(QStringLiteral("1066"));
    m_status->setReadOnly(true);
    m_status->setToolTip(QStringLiteral("Message describing the status of the process."));
    m_inBrowser = new QPushButton(QStringLiteral("In &Browser"), m_client);
    m_inBrowser->setObjectName(QStringLiteral("inBrowser"));
    m_inBrowser->setAutoDefault(false);
    m_inBrowser->setToolTip(QStringLiteral("Show the body of the script's CGI response in the browser."));
    m_inBrowser->hide();
    connect(m_inBrowser, &QPushButton::clicked, this, &COutputWindow::OnInBrowser);
    m_clock = new QTimer(this);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &COutputWindow::tick);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_client);

    for (int s : {StdOut, StdErr}) {
        auto *buffer = new COutputBuffer(this);
        m_streams[s].buffer = buffer;
        const auto stream = static_cast<Stream>(s);
        auto *feeder = new CPaneFeeder(buffer, m_streams[s].pane, this);
        m_streams[s].feeder = feeder;
        const qsizetype limit = s == StdOut ? StdoutLimit : StderrLimit;
        buffer->setKeepLatest(limit);
        feeder->setLimit(limit);
        connect(feeder, &CPaneFeeder::textShown, this, [this, stream] { emit textShown(stream); });
        connect(feeder, &CPaneFeeder::caughtUp, this, &COutputWindow::checkOutputComplete);
        connect(feeder, &CPaneFeeder::sliceInserted, this,
                [this, s](const QString &text, qsizetype position) { markLinks(m_streams[s], text, position); });
        connect(buffer, &COutputBuffer::finished, this, &COutputWindow::checkOutputComplete,
                Qt::QueuedConnection);
    }
    connect(m_streams[StdOut].feeder, &CPaneFeeder::textShown, this, &COutputWindow::judgeCgiResponse);
    connect(this, &COutputWindow::outputComplete, this, &COutputWindow::judgeCgiResponse);
    CTerminalPane *out = m_streams[StdOut].pane;
    connect(out, &CTerminalPane::lineEntered, this, [this](const QString &line) { sendTyped(line + u'\n'); });
    connect(out, &CTerminalPane::inputEnded, this, [this](const QString &rest) {
        if (!rest.isEmpty())
            sendTyped(rest);
        endInput();
    });
    setPaneFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    for (StreamState &st : m_streams) {
        st.pane->installEventFilter(this);
        st.pane->viewport()->installEventFilter(this);
    }

    m_inputsViewer = new CScriptInputsDlg(this);
    m_inputsViewer->setViewMode(true);
    m_sendInputDlg = new CSendInputDlg(this);
    m_sendInputDlg->setModal(false);
    connect(m_sendInputDlg, &CSendInputDlg::lineSent, this,
            [this](const QString &line) {
                // A line sent after the input was ended reaches nobody and is not shown.
                if (m_streams[StdOut].pane->isInputEnabled())
                    m_streams[StdOut].buffer->appendText(line + u'\n', true);
            });
    connect(m_sendInputDlg, &CSendInputDlg::inputEnded, this, [this] { m_streams[StdOut].pane->setInputEnabled(false); });

    // The client area below the menu is 328 x 246 dialog units.
    resize(CDialogUnits::toPixels(QFontMetrics(font()), 328, 246) + QSize(0, m_menuBar->sizeHint().height()));
}

COutputWindow::~COutputWindow()
{
    closeSteps();
}

void COutputWindow::attach(CRunningProgram &program, CPipe &stdinPipe, CPipe &stdoutPipe, CPipe &stderrPipe)
{
    program.m_pListener = this;
    m_pProcess = &program;
    m_pStdinPipe = &stdinPipe;
    m_pStdoutPipe = &stdoutPipe;
    m_pStderrPipe = &stderrPipe;
}

void COutputWindow::setPaneFont(const QFont &font)
{
    m_paneFont = font;
    for (StreamState &st : m_streams)
        st.pane->setFont(font);
}

bool COutputWindow::isScriptRunning() const
{
    return m_pProcess && !m_pProcess->IsCompleted();
}

void COutputWindow::setPaneLimit(Stream s, qsizetype chars)
{
    m_streams[s].buffer->setKeepLatest(chars);
    m_streams[s].feeder->setLimit(chars);
}

void COutputWindow::setScriptPath(const QString &path)
{
    for (StreamState &st : m_streams)
        st.links = CErrorLineParser(path);
}

int COutputWindow::linkedLine(const QTextBlock &block)
{
    return std::max(0, block.userState());
}

void COutputWindow::activateLink(int line)
{
    if (line <= 0)
        return;
    emit errorLineActivated(line);
    if (!m_pProcess || m_pProcess->IsCompleted())
        OnClose();
}

void COutputWindow::markLinks(StreamState &st, QStringView text, qsizetype position)
{
    // Positions count in the whole stream; the pane may have lost its start since.
    const QList<CErrorLink> links = st.links.feed(text, position);
    if (links.isEmpty() || st.linkCount >= kMaxLinksPerPane)
        return;
    QTextCharFormat look;
    look.setForeground(st.pane->palette().color(QPalette::Link));
    look.setFontUnderline(true);
    for (const CErrorLink &link : links) {
        const qsizetype start = link.start - st.feeder->trimmed();
        if (start < 0)
            continue;
        if (st.linkCount++ >= kMaxLinksPerPane)
            break;
        QTextCursor cursor(st.pane->document());
        cursor.setPosition(int(start));
        cursor.setPosition(int(start + link.length), QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(look);
        cursor.block().setUserState(link.line);
    }
}

QString COutputWindow::completedText(long exitCode)
{
    return QStringLiteral("Process completed with exit code %1.").arg(exitCode);
}

QString COutputWindow::stillActiveText()
{
    return QStringLiteral("Process is still active.");
}

QString COutputWindow::runningText(qint64 seconds)
{
    return QStringLiteral("Running\u2026 %1 s").arg(seconds);
}

QString COutputWindow::stillRunningQuestion()
{
    return QStringLiteral("The script is still running. Stop it and close?");
}

void COutputWindow::tick()
{
    if (m_bReported || !isScriptRunning()) {
        m_clock->stop();
        return;
    }
    m_status->setText(runningText((QDateTime::currentMSecsSinceEpoch() - m_startedMs) / 1000));
}

void COutputWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_bInitialised)
        initialise();
}

void COutputWindow::initialise()
{
    m_bInitialised = true;
    m_bStopReadThread = false;
    m_bReady = true;
    CPipe *pipes[2] = {m_pStdoutPipe, m_pStderrPipe};
    for (int s : {StdOut, StdErr}) {
        StreamState &st = m_streams[s];
        st.spill = std::make_unique<CSpillFile>(m_spillFolder);
        if (!pipes[s]) {
            st.buffer->finish();
            continue;
        }
        // Read stops waiting as soon as the flag is set.
        pipes[s]->setStopFlag(&m_bStopReadThread);
        st.reader = std::thread(&COutputWindow::readerLoop, this, &st, pipes[s]);
    }
    if (isScriptRunning()) {
        m_startedMs = QDateTime::currentMSecsSinceEpoch();
        m_status->setText(runningText(0));
        m_clock->start();
        m_streams[StdOut].pane->setInputEnabled(m_pStdinPipe && m_bStdinOpen);
    }
    m_streams[StdOut].pane->setFocus();
    // A child that ended while the window was not yet ready is reported now.
    if (m_pProcess && m_pProcess->IsCompleted())
        reportCompletion(m_pProcess->GetExitCode());
}

void COutputWindow::readerLoop(StreamState *st, CPipe *pipe)
{
    COutputBuffer *buffer = st->buffer;
    CSpillFile *spill = st->spill.get();
    CTerminalPane *pane = st->pane;
    std::vector<char> data(kReadBufferSize);
    qsizetype drained = 0;
    while (!m_bClosing) {
        // Once the child has ended, whatever is still in the pipe is taken
        // before the reader stops.
        const bool stopping = m_bStopReadThread;
        const int n = pipe->Read(data.data(), static_cast<int>(data.size()));
        if (n > 0) {
            const QByteArrayView bytes(data.data(), n);
            if (!spill->failed() && !spill->append(bytes)) {
                // Said once; the pane keeps showing the latest text.
                QMetaObject::invokeMethod(pane, [pane, reason = spill->error()] { pane->setKeepFailure(reason); },
                                          Qt::QueuedConnection);
            }
            if (!buffer->appendBytes(bytes))
                break;
            if (stopping && (drained += n) > kDrainLimit)
                break;
            if (n < kShortRead && !stopping)
                std::this_thread::sleep_for(kShortReadPause);
            continue;
        }
        if (stopping || pipe->AtEnd())
            break;
    }
    buffer->finish();
}

void COutputWindow::checkOutputComplete()
{
    if (m_bOutputComplete)
        return;
    if (m_streams[StdOut].buffer->isDrained() && m_streams[StdErr].buffer->isDrained()) {
        m_bOutputComplete = true;
        emit outputComplete();
    }
}

void COutputWindow::OnProcessCompleted()
{
    for (int attempt = 0; attempt < kNotifyAttempts; ++attempt) {
        if (!m_bReady) {
            std::this_thread::sleep_for(kNotifyPause);
            continue;
        }
        if (!m_pProcess)
            continue;
        const long code = m_pProcess->GetExitCode();
        if (code != CProcess::StillActive) {
            QMetaObject::invokeMethod(this, [this, code] { reportCompletion(code); }, Qt::QueuedConnection);
            m_bStopReadThread = true;
            return;
        }
        QMetaObject::invokeMethod(this, [this] { m_status->setText(stillActiveText()); }, Qt::QueuedConnection);
    }
}

void COutputWindow::reportCompletion(long exitCode)
{
    m_bStopReadThread = true;
    if (m_bReported.exchange(true))
        return;
    m_clock->stop();
    m_status->setText(completedText(exitCode));
    m_streams[StdOut].pane->setInputEnabled(false);
    emit processCompleted(exitCode);
}

void COutputWindow::sendTyped(const QString &text)
{
    if (!m_pStdinPipe || !isScriptRunning())
        return;
    // Shown before the script can answer it.
    m_streams[StdOut].buffer->appendText(text, true);
    m_pStdinPipe->Write(text.toUtf8());
}

void COutputWindow::endInput()
{
    if (m_pStdinPipe)
        m_pStdinPipe->CloseBoth();
    m_streams[StdOut].pane->setInputEnabled(false);
}

bool COutputWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize)
        layoutPanes();
    for (StreamState &st : m_streams) {
        if (st.pane && (watched == st.pane || watched == st.pane->viewport()) && handlePaneEvent(st.pane, event))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool COutputWindow::handlePaneEvent(QPlainTextEdit *pane, QEvent *event)
{
    int line = 0;
    if (event->type() == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        line = linkedLine(pane->cursorForPosition(mouse->position().toPoint()).block());
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            line = linkedLine(pane->textCursor().block());
    }
    if (line <= 0)
        return false;
    activateLink(line);
    return true;
}

void COutputWindow::layoutPanes()
{
    const int cx = m_client->width();
    const int cy = m_client->height();
    const int h = cy - 24;
    m_streams[StdOut].pane->setGeometry(1, h / 40, cx - 1, h * 25 / 40);
    m_streams[StdErr].pane->setGeometry(1, h * 26 / 40 + 2, cx - 1, h * 14 / 40);
    const int button = m_inBrowser->isVisible() ? m_inBrowser->sizeHint().width() : 0;
    m_status->setGeometry(1, cy - 22, cx - 1 - (button ? button + 4 : 0), 20);
    if (button)
        m_inBrowser->setGeometry(cx - button, cy - 23, button, 22);
}

void COutputWindow::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        // While the script runs these keys belong to its input, never to closing.
        if (!isScriptRunning())
            done(QDialog::Accepted);
        return;
    }
    QDialog::keyPressEvent(event);
}

void COutputWindow::OnFont()
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, m_paneFont, this, QStringLiteral("Font"));
    if (ok)
        setPaneFont(chosen);
}

QString COutputWindow::saveStream(Stream s, const QString &path) const
{
    const CSpillFile *spill = m_streams[s].spill.get();
    if (!spill)
        return CSpillFile(m_spillFolder).saveTo(path);
    return spill->saveTo(path);
}

void COutputWindow::saveWithDialog(Stream s, const QString &title)
{
    const QString path = QFileDialog::getSaveFileName(this, title);
    if (path.isEmpty())
        return;
    const QString error = saveStream(s, path);
    if (!error.isEmpty())
        showMessage(QStringLiteral("Could not write ") + path + QStringLiteral("\n") + error);
}

void COutputWindow::OnSaveOutput()
{
    saveWithDialog(StdOut, QStringLiteral("Save Output"));
}

void COutputWindow::OnSaveErrors()
{
    saveWithDialog(StdErr, QStringLiteral("Save Errors"));
}

void COutputWindow::judgeCgiResponse()
{
    const CSpillFile *spill = m_streams[StdOut].spill.get();
    if (m_cgiVerdict != CCgiResponse::Undecided || !spill || spill->size() == 0)
        return;
    const bool complete = m_streams[StdOut].buffer->isDrained();
    m_cgiVerdict = CCgiResponse::judge(spill->read(0, CCgiResponse::MaxHeaderBytes), complete, &m_cgiBodyOffset);
    if (m_cgiVerdict == CCgiResponse::Html) {
        m_inBrowser->show();
        layoutPanes();
    }
}

void COutputWindow::OnInBrowser()
{
    const CSpillFile *spill = m_streams[StdOut].spill.get();
    if (m_cgiVerdict == CCgiResponse::Html && spill)
        emit inBrowserRequested(spill->read(m_cgiBodyOffset, kMaxBrowserBody));
}

void COutputWindow::OnViewInputs()
{
    m_inputsViewer->setViewMode(true);
    m_inputsViewer->exec();
}

void COutputWindow::OnSendInput()
{
    if (!m_pProcess || m_pProcess->GetExitCode() != CProcess::StillActive) {
        showMessage(QStringLiteral("Completed script cannot receive inputs."));
        return;
    }
    m_sendInputDlg->setPipe(m_pStdinPipe);
    if (!m_sendInputPlaced) {
        // Its top-left corner at the centre of this window.
        const QRect r = frameGeometry();
        m_sendInputDlg->move(r.left() + r.width() / 2, r.top() + r.height() / 2);
        m_sendInputPlaced = true;
    }
    m_sendInputDlg->show();
    m_sendInputDlg->raise();
    m_sendInputDlg->activateWindow();
}

void COutputWindow::showMessage(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Ostrak"), text, QMessageBox::Ok, this);
    box.exec();
}

void COutputWindow::OnRefresh()
{
    if (!m_pProcess)
        return;
    const long code = m_pProcess->GetExitCode();
    m_status->setText(code == CProcess::StillActive ? stillActiveText() : completedText(code));
}

void COutputWindow::OnClose()
{
    done(QDialog::Accepted);
}

void COutputWindow::stopAndClose()
{
    m_bForceClose = true;
    done(QDialog::Accepted);
}

void COutputWindow::done(int)
{
    if (isScriptRunning() && !m_bForceClose && isVisible()) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Ostrak"), stillRunningQuestion(),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::No);
        if (box.exec() != QMessageBox::Yes)
            return;
    }
    closeSteps();
    QDialog::done(QDialog::Accepted);
}

void COutputWindow::closeSteps()
{
    if (m_bClosed)
        return;
    m_bClosed = true;
    m_bStopReadThread = true;
    m_bClosing = true;
    if (m_pProcess && !m_pProcess->IsCompleted())
        m_pProcess->Kill();
    // A reader waiting for room in its buffer is woken and refused.
    for (StreamState &st : m_streams)
        st.buffer->abort();
    for (StreamState &st : m_streams) {
        if (st.reader.joinable())
            st.reader.join();
    }
    // The waiter may still be telling this window about the end.
    if (m_pProcess)
        m_pProcess->JoinWaiter();
    m_sendInputDlg->hide();
}
