#include "CSelectDirDlg.h"

#include "CDriveList.h"
#include "CFolderScan.h"
#include "app/CDialogUnits.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

CSelectDirDlg::CSelectDirDlg(QWidget *parent)
    : QDialog(parent)
    , m_drives(new QComboBox(this))
    , m_tree(new QTreeWidget(this))
    , m_directoryEdit(new QLineEdit(this))
    , m_closedFolder(style()->standardIcon(QStyle::SP_DirClosedIcon))
    , m_openFolder(style()->standardIcon(QStyle::SP_DirOpenIcon))
{
    setObjectName(QStringLiteral("CSelectDirDlg"));
    setWindowTitle(QStringLiteral("Select Directory"));
    m_directoryEdit->setObjectName(QStringLiteral("1065"));
    m_tree->setObjectName(QStringLiteral("1067"));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(false);
    m_tree->setUniformRowHeights(true);   // keeps a folder of many thousand items quick to show
    m_drives->setObjectName(QStringLiteral("1068"));
    auto *status = new QLabel(this);
    status->setObjectName(QStringLiteral("1066"));
    status->setFrameStyle(QFrame::Box | QFrame::Plain);

    auto *directoryLabel = new QLabel(QStringLiteral("Directory:"), this);
    directoryLabel->setBuddy(m_directoryEdit);
    auto *drivesLabel = new QLabel(QStringLiteral("Drives:"), this);
    drivesLabel->setBuddy(m_drives);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);

    auto *grid = new QGridLayout(this);
    grid->addWidget(directoryLabel, 0, 0);
    grid->addWidget(m_directoryEdit, 1, 0);
    grid->addWidget(m_tree, 2, 0, 4, 1);
    grid->addWidget(buttons, 1, 1, 2, 1, Qt::AlignTop);
    grid->addWidget(drivesLabel, 3, 1);
    grid->addWidget(m_drives, 4, 1);
    grid->addWidget(status, 5, 1);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(0, 1);
    resize(CDialogUnits::toPixels(QFontMetrics(font()), 227, 183));

    connect(buttons, &QDialogButtonBox::accepted, this, &CSelectDirDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSelectDirDlg::reject);
    connect(m_drives, &QComboBox::activated, this, &CSelectDirDlg::onDriveChosen);
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *item) { m_hSelItem = item; });
    connect(m_tree, &QTreeWidget::itemExpanded, this, &CSelectDirDlg::updateImages);
    connect(m_tree, &QTreeWidget::itemCollapsed, this, &CSelectDirDlg::updateImages);
    // Runs before the tree's own double-click handling opens or closes the item.
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, &CSelectDirDlg::onDoubleClick);
}

int CSelectDirDlg::exec()
{
    OnInitDialog();
    return QDialog::exec();
}

void CSelectDirDlg::OnInitDialog()
{
    if (m_strDirectory.isEmpty())
        m_strDirectory = QDir::currentPath();
    if (m_driveRoots.isEmpty())
        m_driveRoots = CDriveList::roots();
    fillDrives();
    fillTree();
    updateControls();
    if (m_hSelItem)
        m_tree->scrollToItem(m_hSelItem);
}

void CSelectDirDlg::fillDrives()
{
    m_drives->clear();
    for (const QString &root : m_driveRoots)
        m_drives->addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), root);
    m_strDrive = CDriveList::driveOf(m_strDirectory, m_driveRoots);
    m_drives->setCurrentIndex(m_drives->findText(m_strDrive, Qt::MatchFixedString));
}

void CSelectDirDlg::fillTree()
{
    m_tree->clear();
    m_hSelItem = nullptr;
    m_hRootItem = new QTreeWidgetItem(m_tree, QStringList{m_strDrive.isEmpty() ? QStringLiteral("/") : m_strDrive});
    m_hRootItem->setIcon(0, m_closedFolder);
    addSubfolders(m_hRootItem, m_hRootItem->text(0));
    m_hRootItem->setExpanded(true);
    updateImages(m_hRootItem);
}

void CSelectDirDlg::addSubfolders(QTreeWidgetItem *parent, const QString &path)
{
    const QStringList names = CFolderScan::subfolders(path);
    QList<QTreeWidgetItem *> items;
    items.reserve(names.size());
    QTreeWidgetItem *select = nullptr;
    QList<QPair<QTreeWidgetItem *, QString>> chain;
    for (const QString &name : names) {
        auto *item = new QTreeWidgetItem(QStringList{name});
        item->setIcon(0, m_closedFolder);
        items << item;
        const QString full = CFolderScan::join(path, name);
        if (full == m_strDirectory)
            select = item;
        if (m_strDirectory.contains(full))
            chain.append({item, full});
    }
    // All at once: inserting one by one costs the view an update each.
    parent->addChildren(items);
    if (select)
        m_tree->setCurrentItem(select);
    for (const auto &[item, full] : chain) {
        addSubfolders(item, full);
        item->setExpanded(true);
        updateImages(item);
    }
}

void CSelectDirDlg::updateImages(QTreeWidgetItem *item)
{
    item->setIcon(0, item->isExpanded() && item->childCount() > 0 ? m_openFolder : m_closedFolder);
}

void CSelectDirDlg::onDriveChosen(int index)
{
    m_strDrive = m_drives->itemText(index);
    fillTree();
}

void CSelectDirDlg::onDoubleClick()
{
    QTreeWidgetItem *item = m_hSelItem;
    if (!item)
        return;
    QString path = item->text(0);
    if (item != m_hRootItem) {
        for (QTreeWidgetItem *p = item->parent(); p; p = p->parent())
            path = CFolderScan::join(p->text(0), path);
    }
    m_strDirectory = path;
    addSubfolders(item, m_strDirectory);
    updateImages(item);
    updateControls();
}

void CSelectDirDlg::updateControls()
{
    m_drives->setCurrentIndex(m_drives->findText(m_strDrive, Qt::MatchFixedString));
    m_directoryEdit->setText(m_strDirectory);
}

void CSelectDirDlg::accept()
{
    m_strDirectory = m_directoryEdit->text();
    QDialog::accept();
}
