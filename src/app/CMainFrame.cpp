#include "CMainFrame.h"

#include "CCommandTable.h"
#include "COstrakApp.h"
#include "editor/CEditorWindows.h"
#include "editor/CFindDialog.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"
#include "run/CRunCommands.h"

#include <Qsci/qsciprinter.h>

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QSettings>
#include <QStatusBar>

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
    createActions();
    createMenus();
    connectCommands();
    statusBar()->showMessage(QStringLiteral("Ready"));
    connect(m_doc, &COstrakDoc::titleChanged, this, &CMainFrame::updateTitle);
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
            for (const CMenuItem &item : items) {
                switch (item.kind) {
                case CMenuItem::Command:
                    menu->addAction(action(item.id));
                    break;
                case CMenuItem::Separator:
                    menu->addSeparator();
                    break;
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
                    m_recentSeparator = menu->addSeparator();
                    break;
                }
            }
        };
    for (const CMenu &m : CCommandTable::menus()) {
        QMenu *menu = menuBar()->addMenu(QString::fromUtf8(m.title));
        // The recent-file list stands in for one separator of the table.
        std::vector<CMenuItem> items = m.items;
        for (size_t i = 0; i + 1 < items.size(); ++i) {
            if (items[i].kind == CMenuItem::RecentFiles && items[i + 1].kind == CMenuItem::Separator) {
                items.erase(items.begin() + static_cast<long>(i) + 1);
                break;
            }
        }
        fill(menu, items);
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

    // Commands of the other windows are connected below.
    CRunCommands::install(*this);
    CEditorWindows::install(*this);
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
    dialog.setNameFilters({QStringLiteral("Ostrak Files (*.pl)"), QStringLiteral("All Files (*)")});
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

bool CMainFrame::OpenDocumentFile(const QString &path)
{
    const QString error = m_doc->OnOpenDocument(path);
    if (!error.isEmpty()) {
        showError(error);
        return false;
    }
    addRecentFile(m_doc->pathName());
    return true;
}

bool CMainFrame::saveTo(const QString &path)
{
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
                       QStringLiteral("Ostrak Version 1.0\n\nA development environment for Perl scripts."));
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
    QSettings settings = userSettings();
    settings.setValue(QStringLiteral("OSTRAK/state"), saveState());
    if (!SaveModified()) {
        event->ignore();
        return;
    }
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
