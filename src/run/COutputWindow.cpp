#include "COutputWindow.h"

#include "COutputBuffer.h"
#include "CPaneFeeder.h"
#include "CPipe.h"
#include "CProcess.h"
#include "CScriptInputsDlg.h"
#include "CSendInputDlg.h"
#include "app/CDialogUnits.h"

#include <QAction>
#include <QFontDatabase>
#include <QFontDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
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

QPlainTextEdit *makePane(const char *name, const QString &tip, QWidget *parent)
{
    auto *pane = new QPlainTextEdit(parent);
    pane->setObjectName(QLatin1String(name));
    pane->setReadOnly(true);
    pane->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    pane->setUndoRedoEnabled(false);
    pane->setLineWrapMode(QPlainTextEdit::NoWrap);
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
    options->addSeparator();
    addCommand(ID_OUTPUT_CLOSE, QStringLiteral("&Close"), QStringLiteral("Close the output window"),
               &COutputWindow::OnClose);

    m_client = new QWidget(this);
    m_client->installEventFilter(this);
    m_streams[StdOut].pane = makePane("1005", QStringLiteral("Standard output of the process."), m_client);
    m_streams[StdErr].pane = makePane("1006", QStringLiteral("Standard error output of the process."), m_client);
    m_status = new QLineEdit(m_client);
    m_status->setObjectName(QStringLiteral("1066"));
    m_status->setReadOnly(true);
    m_status->setToolTip(QStringLiteral("Message describing the status of the process."));

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
        connect(feeder, &CPaneFeeder::textShown, this, [this, stream] { emit textShown(stream); });
        connect(feeder, &CPaneFeeder::caughtUp, this, &COutputWindow::checkOutputComplete);
        connect(feeder, &CPaneFeeder::sliceInserted, this,
                [this, s](const QString &text, qsizetype position) { markLinks(m_streams[s], text, position); });
        connect(buffer, &COutputBuffer::finished, this, &COutputWindow::checkOutputComplete,
                Qt::QueuedConnection);
    }
    m_streams[StdErr].buffer->setLimit(StderrLimit);
    for (StreamState &st : m_streams) {
        st.pane->installEventFilter(this);
        st.pane->viewport()->installEventFilter(this);
    }

    m_inputsViewer = new CScriptInputsDlg(this);
    m_inputsViewer->setViewMode(true);
    m_sendInputDlg = new CSendInputDlg(this);
    m_sendInputDlg->setModal(false);

    // The client area below the menu is 328 x 246 dialog units.
    resize(CDialogUnits::toPixels(QFontMetrics(font()), 328, 246) + QSize(0, m_menuBar->sizeHint().height()));
}

COutputWindow::~COutputWindow()
{
    closeSteps();
}

void COutputWindow::setBatchSize(qsizetype chars)
{
    for (StreamState &st : m_streams)
        st.feeder->setBatchSize(chars);
}

void COutputWindow::setHighWater(qsizetype chars)
{
    for (StreamState &st : m_streams)
        st.buffer->setHighWater(chars);
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
    const QList<CErrorLink> links = st.links.feed(text, position);
    if (links.isEmpty() || st.linkCount >= kMaxLinksPerPane)
        return;
    QTextCharFormat look;
    look.setForeground(st.pane->palette().color(QPalette::Link));
    look.setFontUnderline(true);
    for (const CErrorLink &link : links) {
        if (st.linkCount++ >= kMaxLinksPerPane)
            break;
        QTextCursor cursor(st.pane->document());
        cursor.setPosition(int(link.start));
        cursor.setPosition(int(link.start + link.length), QTextCursor::KeepAnchor);
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
        if (!pipes[s]) {
            st.buffer->finish();
            continue;
        }
        // Read stops waiting as soon as the flag is set.
        pipes[s]->setStopFlag(&m_bStopReadThread);
        st.reader = std::thread(&COutputWindow::readerLoop, this, pipes[s], st.buffer);
    }
    // A child that ended while the window was not yet ready is reported now.
    if (m_pProcess && m_pProcess->IsCompleted())
        reportCompletion(m_pProcess->GetExitCode());
}

void COutputWindow::readerLoop(CPipe *pipe, COutputBuffer *buffer)
{
    std::vector<char> data(kReadBufferSize);
    qsizetype drained = 0;
    while (!m_bClosing) {
        // Once the child has ended, whatever is still in the pipe is taken
        // before the reader stops.
        const bool stopping = m_bStopReadThread;
        const int n = pipe->Read(data.data(), static_cast<int>(data.size()));
        if (n > 0) {
            if (!buffer->appendBytes(QByteArrayView(data.data(), n)))
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
    m_status->setText(completedText(exitCode));
    emit processCompleted(exitCode);
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
    m_status->setGeometry(1, cy - 22, cx - 1, 20);
}

void COutputWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        done(QDialog::Accepted);
        return;
    }
    QDialog::keyPressEvent(event);
}

void COutputWindow::OnFont()
{
    const QFont initial = m_paneFont ? *m_paneFont : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, this, QStringLiteral("Font"));
    if (!ok)
        return;
    m_paneFont = chosen;
    for (StreamState &st : m_streams)
        st.pane->setFont(chosen);
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

void COutputWindow::done(int)
{
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
