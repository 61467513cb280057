#include "CVariablesDlg.h"

#include "CReportList.h"
#include "CPredefinedVariables.h"
#include "CTextTableModel.h"
#include "CVariableListModel.h"

#include <QAction>
#include <QHeaderView>
#include <QMenuBar>
#include <QTreeView>

CVariablesDlg::CVariablesDlg(int kind, const QByteArray &text, QWidget *parent)
    : QDialog(parent)
    , m_strText(text)
    , m_nKind(kind)
    , m_wndList(new CReportList(this))
{
    setObjectName(QStringLiteral("variablesDlg"));
    setWindowTitle(QStringLiteral("List special variables"));
    setSizeGripEnabled(true);

    auto *menuBar = new QMenuBar(this);
    QMenu *window = menuBar->addMenu(QStringLiteral("&Window"));
    QAction *close = window->addAction(QStringLiteral("&Close"));
    close->setObjectName(QStringLiteral("command%1").arg(ID_WINDOW_CLOSE_VARIABLES));
    close->setStatusTip(QStringLiteral("Close this window"));
    connect(close, &QAction::triggered, this, &QDialog::accept);

    m_wndList->setObjectName(QStringLiteral("list1002"));
    m_wndList->header()->setSectionsClickable(false);

    m_wndList->fillWindow(this, menuBar, 362, 169);

    initialise();
}

QAbstractItemModel *CVariablesDlg::model() const
{
    return m_wndList->model();
}

void CVariablesDlg::initialise()
{
    QList<int> widths;
    if (m_nKind >= 0 && m_nKind <= 2) {
        static const char *const titles[] = {"List of Scalar variables", "List of Array variables",
                                             "List of Hash variables"};
        setWindowTitle(QString::fromLatin1(titles[m_nKind]));
        m_wndList->setModel(new CVariableListModel(m_nKind, m_strText, this));
        widths = {180, 100, 200};
    } else {
        auto *model = new CTextTableModel(CPredefinedVariables::columnTitles(), this);
        QList<QStringList> rows;
        for (const CPredefinedVariable &v : CPredefinedVariables::table()) {
            rows.append({QString::fromUtf8(v.symbol), QString::fromUtf8(v.english),
                         QString::fromUtf8(v.description)});
        }
        model->setRows(std::move(rows));
        m_wndList->setModel(model);
        widths = {75, 185, 450};
    }
    for (int i = 0; i < widths.size(); ++i)
        m_wndList->header()->resizeSection(i, widths[i]);
    m_wndList->setFocus();
}
