#include "CMainFrame.h"

#include "CCommandLine.h"
#include "CCommandTable.h"
#include "CEditorFocusKeeper.h"
#include "CKeyboardIndicators.h"
#include "COperatorsPalette.h"
#include "COstrakApp.h"
#include "CToolbarArt.h"
#include "CViewPreferences.h"
#include "editor/CInsertionTable.h"
#include "run/CTerminalLauncher.h"
#include "editor/CEditCommands.h"
#include "editor/CEditorWindows.h"
#include "editor/CFindDialog.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"
#include "ftp/CFtpCommands.h"
#include "options/COptionsCommands.h"
#include "debug/CDebugController.h"
#include "perltools/CPerlToolsCommands.h"
#include "run/CRunCommands.h"
#include "server/CServerCommands.h"

#include <Qsci/qsciprinter.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QScreen>
#include <QSettings>
#include <QShowEvent>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace {

constexpr int kMaxRecentFiles = 4;
const char kRecentKey[] = "Recent File List/Files";

QSettings userSettings()
{
    return QSettings(QStringLiteral("HALDEN"), QStringLiteral("Ostrak"));
}

} // namespace

CMainFrame::CMainFrame(COstrakApp &app, QWidget *parent)
    : QMainWindow(parent)
    , m_app(app)
    , m_view(new COstrakView(this))
    , m_doc(new COstrakDoc(m_view, app, this))
{
    setCentralWidget(m_view);
    setAcceptDrops(true);
    setWindowIcon(CToolbarArt::applicationIcon());
    setGeometry(initialGeometry(screen()->geometry()));
    createActions();
    createMenus();
    createToolBars();
    createStatusBar();
    connectCommands();
    new CEditorFocusKeeper(this);
    // The single view is reused: every New and Open rebuilds its font and tab filler.
    connect(m_doc, &COstrakDoc::documentReset, m_view, &COstrakView::OnInitialUpdate);
    connect(m_doc, &COstrakDoc::titleChanged, this, &CMainFrame::updateTitle);
    connect(m_doc, &COstrakDoc::documentReset, this, &CMainFrame::returnFocusToEditor);
    // The colouring follows the script's name and first line, also after Save As.
    m_view->setSyntaxColouring(CViewPreferences::syntaxColouring());
    m_view->setLineNumbers(CViewPreferences::lineNumbers());
    const auto chooseSyntax = [this] { m_view->chooseSyntax(m_doc->pathName()); };
    connect(m_doc, &COstrakDoc::documentReset, m_view, chooseSyntax);
    connect(m_doc, &COstrakDoc::titleChanged, m_view, chooseSyntax);
    updateCheckMarks();
    updateTitle();
}

CMainFrame::~CMainFrame() = default;

QAction *CMainFrame::action(int id) const
{
    return m_actions.value(id);
}

void CMainFrame::createActions()
{
    for (const CCommand &c : CCommandTable::commands()) {
        auto *a = new QAction(this);
        a->setObjectName(QStringLiteral("command%1").arg(c.id));
        a->setData(c.id);
        QString text = c.text();
        const qsizetype tab = text.indexOf(QLatin1Char('\t'));
        if (tab >= 0)
            text.truncate(tab);   // the key is shown from the shortcut
        a->setText(text.isEmpty() ? c.tip() : text);
        a->setStatusTip(c.prompt());
        if (c.hasTip())
            a->setToolTip(c.tip());
        a->setShortcuts(CCommandTable::accelerators(c.id));
        a->setEnabled(false);
        addAction(a);   // accelerators work even for commands without a menu entry
        m_actions.insert(c.id, a);
    }
}

void CMainFrame::createMenus()
{
    std::function<void(QMenu *, const std::vector<CMenuItem> &)> fill =
        [&](QMenu *menu, const std::vector<CMenuItem> &items) {
            CMenuItem::Kind previous = CMenuItem::Command;
            for (const CMenuItem &item : items) {
                switch (item.kind) {
                case CMenuItem::Command:
                    menu->addAction(action(item.id));
                    break;
                case CMenuItem::Separator: {
                    QAction *separator = menu->addSeparator();
                    // The separator after the recent-file list hides while the list is empty.
                    if (previous == CMenuItem::RecentFiles)
                        m_recentSeparator = separator;
                    break;
                }
                case CMenuItem::Submenu:
                    fill(menu->addMenu(QString::fromUtf8(item.title)), item.items);
                    break;
                case CMenuItem::RecentFiles:
                    for (int i = 0; i < kMaxRecentFiles; ++i) {
                        auto *a = menu->addAction(QString());
                        a->setStatusTip(CCommandTable::find(ID_FILE_MRU_FILE1)->prompt());
                        connect(a, &QAction::triggered, this, [this, a] {
                            const QString path = a->data().toString();
                            if (SaveModified())
                                OpenDocumentFile(path);
                        });
                        m_recentActions << a;
                    }
                    break;
                }
                previous = item.kind;
            }
        };
    for (const CMenu &m : CCommandTable::menus()) {
        fill(menuBar()->addMenu(QString::fromUtf8(m.title)), m.items);
    }
    updateRecentFileActions();
}

void CMainFrame::connectCommands()
{
    setHandler(ID_FILE_NEW, [this] { OnFileNew(); });
    setHandler(ID_FILE_OPEN, [this] { OnFileOpen(); });
    setHandler(ID_FILE_SAVE, [this] { OnFileSave(); });
    setHandler(ID_FILE_SAVE_AS, [this] { OnFileSaveAs(); });
    setHandler(ID_FILE_PRINT, [this] { onPrint(); });
    setHandler(ID_FILE_PRINT_PREVIEW, [this] { onPrintPreview(); });
    setHandler(ID_FILE_PRINT_SETUP, [this] { onPrintSetup(); });
    setHandler(ID_APP_EXIT, [this] { close(); });
    setHandler(ID_APP_ABOUT, [this] { onAbout(); });

    setHandler(ID_EDIT_UNDO, [this] { m_view->undo(); });
    setHandler(ID_EDIT_CUT, [this] { m_view->cut(); });
    setHandler(ID_EDIT_COPY, [this] { m_view->copy(); });
    setHandler(ID_EDIT_PASTE, [this] { m_view->paste(); });
    setHandler(ID_EDIT_SELECT_ALL, [this] { m_view->selectAll(); });
    setHandler(ID_EDIT_FIND, [this] { onFind(false); });
    setHandler(ID_EDIT_REPLACE, [this] { onFind(true); });
    setHandler(ID_EDIT_CONVERT_DOS, [this] { m_doc->convertToDos(); });
    setHandler(ID_EDIT_CONVERT_UNIX, [this] { m_doc->convertToUnix(); });
    // The editor handles these keys itself while it has the focus.
    for (int id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE})
        action(id)->setShortcutContext(Qt::WidgetWithChildrenShortcut);

    connectFrameCommands();

    // Commands of the other windows are connected below.
    CDebugController::install(*this, *CRunCommands::install(*this));
    CFtpCommands::install(*this);
    COptionsCommands::install(*this);
    CServerCommands::install(*this);
    CEditorWindows::install(*this);
    m_editCommands = CEditCommands::install(*this);
    m_perlTools = CPerlToolsCommands::install(*this);
}

void CMainFrame::updateTitle()
{
    setWindowTitle(m_doc->title() + QStringLiteral("[*] - Ostrak"));
    setWindowModified(m_doc->isModified());
}

void CMainFrame::showError(const QString &text)
{
    QMessageBox::warning(this, QStringLiteral("Ostrak"), text);
}

QString CMainFrame::runFileDialog(bool save)
{
    QFileDialog dialog(this);
    dialog.setObjectName(save ? QStringLiteral("saveDialog") : QStringLiteral("openDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (save)
        dialog.setNameFilters({QStringLiteral("Ostrak Files (*.pl)"), QStringLiteral("All Files (*)")});
    else
        dialog.setNameFilters({QStringLiteral("Perl scripts (*.pl *.pm *.cgi *.t)"),
                               QStringLiteral("Java sources (*.java)"), QStringLiteral("HTML (*.htm *.html)"),
                               QStringLiteral("All files (*)")});
    const QString start = m_app.workingDirectory();
    dialog.setDirectory(!start.isEmpty() && QFileInfo(start).isDir() ? start : QDir::currentPath());
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("pl"));
        if (!m_doc->pathName().isEmpty())
            dialog.selectFile(QFileInfo(m_doc->pathName()).fileName());
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    const bool accepted = dialog.exec() == QDialog::Accepted;
    QString chosen;
    if (accepted && !dialog.selectedFiles().isEmpty())
        chosen = dialog.selectedFiles().constFirst();
    // The folder the user ended in becomes the next dialog's start, also after Cancel.
    m_app.setWorkingDirectory(chosen.isEmpty() ? dialog.directory().absolutePath()
                                               : QFileInfo(chosen).absolutePath());
    return chosen;
}

bool CMainFrame::SaveModified()
{
    if (!m_doc->isModified())
        return true;
    const auto answer = QMessageBox::question(
        this, QStringLiteral("Ostrak"), QStringLiteral("Save changes to %1?").arg(m_doc->title()),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::No)
        return true;
    return OnFileSave();
}

bool CMainFrame::OnFileNew()
{
    if (!SaveModified())
        return false;
    m_doc->OnNewDocument();
    return true;
}

bool CMainFrame::OnFileOpen()
{
    const QString path = runFileDialog(false);
    if (path.isEmpty() || !SaveModified())
        return false;
    return OpenDocumentFile(path);
}

bool CMainFrame::OpenDocumentFile(const QString &path, QString *why)
{
    const QString error = m_doc->OnOpenDocument(path);
    if (why)
        *why = error;
    if (!error.isEmpty()) {
        showError(error);
        return false;
    }
    addRecentFile(m_doc->pathName());
    return true;
}

void CMainFrame::OnStartWithoutFile()
{
    const CViewPreferences::LastScript last = CViewPreferences::lastScript();
    if (CViewPreferences::reopenLastScript() && !last.path.isEmpty() && QFileInfo(last.path).isFile()
        && m_doc->OnOpenDocument(last.path).isEmpty()) {
        addRecentFile(m_doc->pathName());
        m_view->showLine(last.line);
        // The caret at the line's start, nothing selected.
        m_view->SendScintilla(QsciScintillaBase::SCI_SETEMPTYSELECTION,
                              m_view->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS));
        return;
    }
    m_doc->OnNewDocument();
}

bool CMainFrame::saveTo(const QString &path)
{
    if (!m_editCommands->confirmOverwrite(path))
        return false;
    const QString error = m_doc->OnSaveDocument(path);
    if (!error.isEmpty()) {
        showError(QStringLiteral("The script was not saved.\n%1").arg(error));
        return false;
    }
    addRecentFile(m_doc->pathName());
    return true;
}

bool CMainFrame::OnFileSave()
{
    if (m_doc->pathName().isEmpty())
        return OnFileSaveAs();
    return saveTo(m_doc->pathName());
}

bool CMainFrame::OnFileSaveAs()
{
    const QString path = runFileDialog(true);
    if (path.isEmpty())
        return false;
    return saveTo(path);
}

QStringList CMainFrame::recentFiles() const
{
    return userSettings().value(QLatin1String(kRecentKey)).toStringList();
}

void CMainFrame::addRecentFile(const QString &path)
{
    QStringList files = recentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kMaxRecentFiles)
        files.removeLast();
    userSettings().setValue(QLatin1String(kRecentKey), files);
    updateRecentFileActions();
}

void CMainFrame::updateRecentFileActions()
{
    const QStringList files = recentFiles();
    for (int i = 0; i < m_recentActions.size(); ++i) {
        QAction *a = m_recentActions[i];
        const bool used = i < files.size();
        a->setVisible(used);
        if (used) {
            a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(files[i]).fileName()));
            a->setData(files[i]);
        }
    }
    if (m_recentSeparator)
        m_recentSeparator->setVisible(!files.isEmpty());
}

QsciPrinter &CMainFrame::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QsciPrinter>();
    return *m_printer;
}

void CMainFrame::onPrint()
{
    QPrintDialog dialog(&printer(), this);
    if (dialog.exec() == QDialog::Accepted)
        printer().printRange(m_view);
}

void CMainFrame::onPrintPreview()
{
    QPrintPreviewDialog preview(&printer(), this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter *p) {
        static_cast<QsciPrinter *>(p)->printRange(m_view);
    });
    preview.exec();
}

void CMainFrame::onPrintSetup()
{
    QPageSetupDialog dialog(&printer(), this);
    dialog.exec();
}

void CMainFrame::onAbout()
{
    QMessageBox::about(this, QStringLiteral("About Ostrak"),
                       QStringLiteral("Ostrak Version %1\n\nA development environment for Perl scripts.\n\n"
                                      "Settings: %2")
                           .arg(CCommandLine::versionNumber(), m_app.configPath()));
}

void CMainFrame::onFind(bool replace)
{
    auto *dialog = findChild<CFindDialog *>();
    if (!dialog)
        dialog = new CFindDialog(m_view, this);
    dialog->setReplaceMode(replace);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void CMainFrame::closeEvent(QCloseEvent *event)
{
    // The bars' state is kept for the record only; start-up lays them out afresh.
    QSettings settings = userSettings();
    settings.setValue(QStringLiteral("OSTRAK/state"), saveState());
    settings.setValue(QStringLiteral("OSTRAK/operatorsVisible"), !m_operatorsPalette->isHidden());
    settings.setValue(QStringLiteral("OSTRAK/operatorsPosition"), m_operatorsPalette->pos());
    if (!SaveModified()) {
        event->ignore();
        return;
    }
    if (!m_doc->pathName().isEmpty())
        CViewPreferences::setLastScript({m_doc->pathName(), m_view->caretReport().first});
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    if (SaveModified())
        OpenDocumentFile(urls.first().toLocalFile());
}

QRect CMainFrame::initialGeometry(const QRect &desktop)
{
    const int width = desktop.width() / 3 * 2;
    const int height = desktop.height() / 3 * 2;
    return QRect(desktop.left() + width / 4, desktop.top() + height / 4, width, height);
}

QPoint CMainFrame::palettePosition(const QRect &frameRect)
{
    return QPoint(frameRect.x() + frameRect.width() + 2, frameRect.y());
}

QString CMainFrame::caretText(int line, int column)
{
    return QString::asprintf("Line = %3d, Col=%3d", line, column);
}

void CMainFrame::createToolBars()
{
    const auto fillBar = [this](QToolBar *bar, const std::vector<int> &ids) {
        for (int id : ids) {
            if (id == 0) {
                bar->addSeparator();
                continue;
            }
            QAction *a = action(id);
            a->setIcon(CToolbarArt::icon(id));
            a->setIconVisibleInMenu(false);
            bar->addAction(a);
        }
    };

    m_mainToolBar = new QToolBar(QStringLiteral("Standard"), this);
    m_mainToolBar->setObjectName(QStringLiteral("mainToolbar"));
    m_mainToolBar->setIconSize(CToolbarArt::kMainButton);
    fillBar(m_mainToolBar, CCommandTable::mainToolbar());

    m_scriptingToolBar = new QToolBar(QStringLiteral("Scripting"), this);
    m_scriptingToolBar->setObjectName(QStringLiteral("scriptingToolbar"));
    m_scriptingToolBar->setIconSize(CToolbarArt::kScriptingButton);
    fillBar(m_scriptingToolBar, CCommandTable::scriptingToolbar());

    // Both dock on any side and start at the top, each on a row of its own.
    for (QToolBar *bar : {m_mainToolBar, m_scriptingToolBar}) {
        bar->setAllowedAreas(Qt::AllToolBarAreas);
        bar->setMovable(true);
        connect(bar, &QToolBar::visibilityChanged, this, &CMainFrame::updateCheckMarks);
    }
    addToolBar(Qt::TopToolBarArea, m_mainToolBar);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, m_scriptingToolBar);

    // The operators float as a palette of three columns that never docks.
    QList<QAction *> operators;
    for (int id : CCommandTable::operatorsToolbar()) {
        QAction *a = action(id);
        if (const CInsertion *insertion = CInsertionTable::find(id))
            a->setIconText(insertion->buttonLabel().replace(QLatin1Char('&'), QStringLiteral("&&")));
        operators << a;
    }
    m_operatorsPalette = new COperatorsPalette(operators, this);
    connect(m_operatorsPalette, &COperatorsPalette::visibilityChanged, this, &CMainFrame::updateCheckMarks);

    for (int id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_SCRIPTING_TOOLBAR, ID_VIEW_OPERATORS,
                   ID_VIEW_SYNTAX_COLOURING, ID_VIEW_LINE_NUMBERS, ID_VIEW_REOPEN_LAST})
        action(id)->setCheckable(true);
    // Check marks are brought up to date whenever a menu opens, too.
    for (QAction *menuAction : menuBar()->actions()) {
        if (QMenu *menu = menuAction->menu())
            connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateCheckMarks);
    }
}

void CMainFrame::createStatusBar()
{
    QStatusBar *bar = statusBar();
    // Prompts show as temporary messages over this pane; "Ready" when idle.
    m_readyPane = new QLabel(QStringLiteral("Ready"), bar);
    m_readyPane->setObjectName(QStringLiteral("readyPane"));
    bar->addWidget(m_readyPane, 1);

    const QFontMetrics metrics(bar->font());
    m_caretPane = new QLabel(bar);
    m_caretPane->setObjectName(QStringLiteral("caretPane"));
    m_caretPane->setAlignment(Qt::AlignCenter);
    m_caretPane->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("Line : 1234, Col = 233")) + 8);
    m_caretPane->setText(caretText(m_app.caretLine(), m_app.caretColumn()));
    bar->addPermanentWidget(m_caretPane);
    connect(&m_app, &COstrakApp::caretPositionChanged, this,
            [this](int line, int column) { m_caretPane->setText(caretText(line, column)); });

    const std::pair<int, const char *> indicators[] = {
        {ID_INDICATOR_CAPS, "CAP"}, {ID_INDICATOR_NUM, "NUM"}, {ID_INDICATOR_SCRL, "SCRL"}};
    for (const auto &[id, text] : indicators) {
        auto *pane = new QLabel(bar);
        pane->setObjectName(QStringLiteral("indicator%1").arg(id));
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(metrics.horizontalAdvance(QLatin1String(text)) + 8);
        pane->setProperty("indicatorText", QLatin1String(text));
        bar->addPermanentWidget(pane);
        m_indicatorPanes.insert(id, pane);
    }
    // Only X11 can tell the lock states; elsewhere the panes stay blank.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_indicatorTimer = new QTimer(this);
        m_indicatorTimer->setInterval(250);
        connect(m_indicatorTimer, &QTimer::timeout, this, &CMainFrame::updateIndicators);
        m_indicatorTimer->start();
        updateIndicators();
    }
}

void CMainFrame::updateIndicators()
{
    const CKeyboardIndicators::State state = CKeyboardIndicators::read();
    const std::pair<int, std::optional<bool>> panes[] = {
        {ID_INDICATOR_CAPS, state.capsLock}, {ID_INDICATOR_NUM, state.numLock}, {ID_INDICATOR_SCRL, state.scrollLock}};
    for (const auto &[id, on] : panes) {
        QLabel *pane = m_indicatorPanes.value(id);
        pane->setText(on.value_or(false) ? pane->property("indicatorText").toString() : QString());
    }
}

QString CMainFrame::statusText() const
{
    const QString message = statusBar()->currentMessage();
    return message.isEmpty() ? m_readyPane->text() : message;
}

void CMainFrame::setStatusText(const QString &text)
{
    statusBar()->clearMessage();
    m_readyPane->setText(text);
    m_readyPane->repaint();
}

QString CMainFrame::caretPaneText() const
{
    return m_caretPane->text();
}

QString CMainFrame::indicatorText(int id) const
{
    const QLabel *pane = m_indicatorPanes.value(id);
    return pane ? pane->text() : QString();
}

void CMainFrame::updateCheckMarks()
{
    action(ID_VIEW_TOOLBAR)->setChecked(!m_mainToolBar->isHidden());
    action(ID_VIEW_STATUS_BAR)->setChecked(!statusBar()->isHidden());
    action(ID_VIEW_SCRIPTING_TOOLBAR)->setChecked(!m_scriptingToolBar->isHidden());
    action(ID_VIEW_OPERATORS)->setChecked(!m_operatorsPalette->isHidden());
    action(ID_VIEW_SYNTAX_COLOURING)->setChecked(m_view->syntaxColouring());
    action(ID_VIEW_LINE_NUMBERS)->setChecked(m_view->lineNumbers());
    action(ID_VIEW_REOPEN_LAST)->setChecked(CViewPreferences::reopenLastScript());
}

void CMainFrame::focusEditor()
{
    if (!isVisible() || QApplication::activeModalWidget())
        return;
    activateWindow();
    m_view->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::returnFocusToEditor()
{
    // A window of our own that the user is working in keeps the keyboard.
    const QWidget *active = QApplication::activeWindow();
    if (active && active != this && active != m_operatorsPalette && active->isVisible())
        return;
    focusEditor();
}

void CMainFrame::connectFrameCommands()
{
    // View > Toolbar acts on the main toolbar only.
    const auto toggle = [this](QWidget *bar) {
        bar->setVisible(bar->isHidden());
        updateCheckMarks();
    };
    setHandler(ID_VIEW_TOOLBAR, [this, toggle] { toggle(m_mainToolBar); });
    setHandler(ID_VIEW_STATUS_BAR, [this, toggle] { toggle(statusBar()); });
    setHandler(ID_VIEW_SCRIPTING_TOOLBAR, [this, toggle] { toggle(m_scriptingToolBar); });
    setHandler(ID_VIEW_OPERATORS, [this, toggle] { toggle(m_operatorsPalette); });
    setHandler(ID_VIEW_FONT, [this] { m_view->OnViewFont(); });
    setHandler(ID_VIEW_SYNTAX_COLOURING, [this] {
        m_view->setSyntaxColouring(!m_view->syntaxColouring());
        CViewPreferences::setSyntaxColouring(m_view->syntaxColouring());
        updateCheckMarks();
    });
    setHandler(ID_VIEW_LINE_NUMBERS, [this] {
        m_view->setLineNumbers(!m_view->lineNumbers());
        CViewPreferences::setLineNumbers(m_view->lineNumbers());
        updateCheckMarks();
    });
    setHandler(ID_VIEW_REOPEN_LAST, [this] {
        CViewPreferences::setReopenLastScript(!CViewPreferences::reopenLastScript());
        updateCheckMarks();
    });
    setHandler(ID_TOOLS_DOS_WINDOW, [this] { OnDosWindow(); });
    for (const auto *table : {&CInsertionTable::scripting(), &CInsertionTable::operators()}) {
        for (const CInsertion &insertion : *table) {
            const int id = insertion.id;
            setHandler(id, [this, id] {
                m_view->OnInsertCode(id);
                focusEditor();
            });
        }
    }
    updateCheckMarks();
}

void CMainFrame::OnDosWindow()
{
    QString shell = qEnvironmentVariable("SHELL");
    if (shell.isEmpty())
        shell = QStringLiteral("/bin/sh");
    const QStringList command{shell};
    if (!CTerminalLauncher::runAndWait(command)) {
        const QStringList terminal = CTerminalLauncher::terminalCommand(command);
        showError(QStringLiteral("Could not run ")
                  + CTerminalLauncher::displayCommandLine(terminal.isEmpty() ? command : terminal));
    }
}

void CMainFrame::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_bShownOnce || event->spontaneous())
        return;
    m_bShownOnce = true;
    // The palette starts floating, visible, beside the frame's right edge.
    m_operatorsPalette->move(palettePosition(frameGeometry()));
    m_operatorsPalette->show();
    updateCheckMarks();
}
