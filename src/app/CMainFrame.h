#pragma once

#include <QHash>
#include <QMainWindow>
#include <QStringList>

#include <memory>

class QAction;
class QLabel;
class CPerlToolsCommands;
class QMenu;
class QTimer;
class QToolBar;
class QsciPrinter;
class CEditCommands;
class COperatorsPalette;
class COstrakApp;
class COstrakDoc;
class COstrakView;

// The main window: hosts the editor view, carries the menus built from the
// command table, the toolbars and the status bar, and handles the file
// commands of the one document.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    explicit CMainFrame(COstrakApp &app, QWidget *parent = nullptr);
    ~CMainFrame() override;

    COstrakApp &app() const { return m_app; }
    COstrakView *view() const { return m_view; }
    COstrakDoc *document() const { return m_doc; }
    CEditCommands *editCommands() const { return m_editCommands; }
    CPerlToolsCommands *perlTools() const { return m_perlTools; }

    // The action of a command id; every id of the command table has one.
    // Commands without a handler stay disabled.
    QAction *action(int id) const;
    // Connects `handler` to the command and enables it.
    template <typename F>
    void setHandler(int id, F &&handler);

    // File commands. Each returns false when the user cancelled or it failed.
    bool OnFileNew();
    bool OnFileOpen();
    // Shows why the file could not be opened, and gives it in `why` too.
    bool OpenDocumentFile(const QString &path, QString *why = nullptr);
    // Start-up without a file named: the last script at its caret line when
    // View > Reopen Last Script is on and the script is still there, else a
    // new document.
    void OnStartWithoutFile();
    bool OnFileSave();
    bool OnFileSaveAs();
    // Offers to save a modified script; false when the user cancels or the save fails.
    bool SaveModified();

    QStringList recentFiles() const;

    // The frame's first rectangle on a desktop: two thirds of its width and
    // height, placed a quarter of that size from its top left corner.
    static QRect initialGeometry(const QRect &desktop);
    // Where the operators palette first floats: beside the frame's right edge.
    static QPoint palettePosition(const QRect &frameRect);
    // The caret pane's text for a line and column.
    static QString caretText(int line, int column);

    QToolBar *mainToolBar() const { return m_mainToolBar; }
    QToolBar *scriptingToolBar() const { return m_scriptingToolBar; }
    COperatorsPalette *operatorsPalette() const { return m_operatorsPalette; }
    // What the status bar panes show.
    QString statusText() const;
    // Sets the text of the status bar's first pane.
    void setStatusText(const QString &text);
    // Adds a path to the top of the recent-file list.
    void addRecentFile(const QString &path);
    QString caretPaneText() const;
    QString indicatorText(int id) const;

    // Tools > "&Dos Window": the user's shell in a terminal, waited for.
    void OnDosWindow();

    // The main window active and the keyboard in the editor, unless a modal
    // window is still open.
    void focusEditor();

public slots:
    // focusEditor, unless another window of ours is active.
    void returnFocusToEditor();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createActions();
    void createMenus();
    void createToolBars();
    void createStatusBar();
    void connectCommands();
    void connectFrameCommands();
    void updateCheckMarks();
    void updateIndicators();
    void updateTitle();
    void updateRecentFileActions();
    // Runs a file dialog starting in the working directory and stores back
    // the folder the user ended in, also after Cancel. Empty when cancelled.
    QString runFileDialog(bool save);
    bool saveTo(const QString &path);
    void showError(const QString &text);
    void onPrint();
    void onPrintPreview();
    void onPrintSetup();
    void onAbout();
    void onFind(bool replace);
    QsciPrinter &printer();

    COstrakApp &m_app;
    COstrakView *m_view;
    COstrakDoc *m_doc;
    QHash<int, QAction *> m_actions;
    QList<QAction *> m_recentActions;
    QAction *m_recentSeparator = nullptr;
    std::unique_ptr<QsciPrinter> m_printer;
    QToolBar *m_mainToolBar = nullptr;
    QToolBar *m_scriptingToolBar = nullptr;
    COperatorsPalette *m_operatorsPalette = nullptr;
    CEditCommands *m_editCommands = nullptr;
    CPerlToolsCommands *m_perlTools = nullptr;
    QLabel *m_readyPane = nullptr;
    QLabel *m_caretPane = nullptr;
    QHash<int, QLabel *> m_indicatorPanes;
    QTimer *m_indicatorTimer = nullptr;
    bool m_bShownOnce = false;
};

template <typename F>
void CMainFrame::setHandler(int id, F &&handler)
{
    QAction *a = action(id);
    a->setEnabled(true);
    connect(a, &QAction::triggered, this, std::forward<F>(handler));
}
