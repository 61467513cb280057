#include "CPerlFunctionsDlg.h"

#include "CReportList.h"
#include "CFunctionsFile.h"
#include "COstrakView.h"
#include "CTextTableModel.h"
#include "app/CCommandTable.h"

#include <QAction>
#include <QHeaderView>
#include <QMenuBar>
#include <QMessageBox>
#include <QTreeView>

CPerlFunctionsDlg::CPerlFunctionsDlg(COstrakView *view, const QString &functionsPath, QWidget *parent)
    : QDialog(parent)
    , m_wndList(new CReportList(this))
    , m_model(new CTextTableModel({QStringLiteral("Function"), QStringLiteral("Description"),
                                   QStringLiteral("Code Template")},
                                  this))
    , m_pView(view)
{
    setObjectName(QStringLiteral("perlFunctionsDlg"));
    setWindowTitle(QStringLiteral("Perl functions"));
    setSizeGripEnabled(true);

    auto *menuBar = new QMenuBar(this);
    QMenu *window = menuBar->addMenu(QStringLiteral("&Window"));
    const CCommand *command = CCommandTable::find(ID_WINDOW_CLOSE_FUNCTIONS);
    QAction *close = window->addAction(command->text());
    close->setObjectName(QStringLiteral("command%1").arg(ID_WINDOW_CLOSE_FUNCTIONS));
    close->setStatusTip(command->prompt());
    connect(close, &QAction::triggered, this, &QWidget::hide);

    m_wndList->setObjectName(QStringLiteral("list1067"));
    m_wndList->setModel(m_model);
    m_wndList->header()->resizeSection(kFunctionColumn, 175);
    m_wndList->header()->resizeSection(kDescriptionColumn, 350);
    m_wndList->header()->resizeSection(kTemplateColumn, 350);
    connect(m_wndList, &QAbstractItemView::doubleClicked, this, [this] { OnDblclkList(); });
    auto *help = new QAction(QStringLiteral("Perl &Help"), this);
    help->setObjectName(QStringLiteral("functionHelp"));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(help);
    connect(help, &QAction::triggered, this, [this] {
        const QModelIndex current = m_wndList->currentIndex();
        if (current.isValid())
            emit helpRequested(m_model->text(current.row(), kFunctionColumn));
    });

    m_wndList->fillWindow(this, menuBar, 354, 201);

    loadFunctions(functionsPath);
}

void CPerlFunctionsDlg::loadFunctions(const QString &path)
{
    const auto functions = CFunctionsFile::read(path);
    if (!functions) {
        // Shown without waiting: the window is built while the main frame
        // is, before the program's event loop runs.
        auto *box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Ostrak"),
                                    QStringLiteral("File containing functions list not found."),
                                    QMessageBox::Ok, parentWidget());
        box->setObjectName(QStringLiteral("functionsFileMissing"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->show();
        return;
    }
    QList<QStringList> rows;
    rows.reserve(functions->size());
    for (const CPerlFunction &f : *functions)
        rows.append({f.name, f.description, f.codeTemplate});
    m_model->setRows(std::move(rows));
}

void CPerlFunctionsDlg::OnDblclkList()
{
    const QModelIndex current = m_wndList->currentIndex();
    m_strTemplate = current.isValid() ? m_model->text(current.row(), kTemplateColumn) : QString();

    if (QWidget *frame = parentWidget()) {
        frame->activateWindow();
        frame->raise();
    }
    if (m_pView) {
        m_pView->replaceSelectionBytes(m_strTemplate.toUtf8() + m_pView->documentLineEnd());
        m_pView->setFocus();
    }
    hide();
}
