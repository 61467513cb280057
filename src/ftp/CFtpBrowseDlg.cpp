#include "CFtpBrowseDlg.h"

#include "CFtpConnection.h"
#include "CFtpListModel.h"
#include "app/CDialogUnits.h"
#include "app/COstrakApp.h"
#include "editor/CReportList.h"
#include "run/CInputSwallower.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// Drops the user's clicks and keys, except those that reach `spared`.
class CSparingSwallower : public CInputSwallower
{
public:
    explicit CSparingSwallower(QWidget *spared)
        : CInputSwallower(QApplication::instance())
        , m_spared(spared)
    {
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        return !reachesSpared(watched, event) && CInputSwallower::eventFilter(watched, event);
    }

private:
    // Input comes to a window first, which hands it to one of its widgets.
    bool reachesSpared(QObject *watched, QEvent *event) const
    {
        if (watched == m_spared)
            return true;
        if (!watched->isWindowType())
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            return QApplication::widgetAt(static_cast<QMouseEvent *>(event)->globalPosition().toPoint()) == m_spared;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return QApplication::focusWidget() == m_spared;
        default:
            return false;
        }
    }

    QWidget *m_spared;
};

} // namespace

CFtpBrowseDlg::CFtpBrowseDlg(COstrakApp &app, QWidget *parent)
    : QDialog(parent)
    , m_dlgCreateDir(this)
    , m_dlgRename(this)
    , m_app(app)
{
    setObjectName(QStringLiteral("CFtpBrowseDlg"));
    setWindowTitle(QStringLiteral("Load from server"));

    m_command = new QComboBox(this);
    m_command->setObjectName(QStringLiteral("1030"));
    m_command->setEditable(true);
    m_command->setInsertPolicy(QComboBox::NoInsert);
    m_command->lineEdit()->setMaxLength(100);
    QStringList presets{QStringLiteral("CD "), QStringLiteral("CD .."), QStringLiteral("RENAME"),
                        QStringLiteral("DELETE"), QStringLiteral("MKDIR"), QStringLiteral("RMDIR")};
    presets.sort();
    m_command->addItems(presets);
    m_command->setToolTip(QStringLiteral("Select the FTP command to execute on the server."));

    m_currentDir = new QLineEdit(this);
    m_currentDir->setObjectName(QStringLiteral("1009"));
    m_currentDir->setReadOnly(true);
    m_currentDir->setToolTip(QStringLiteral("Current directory on the FTP server."));

    auto *list = new CReportList(this);
    m_list = list;
    m_list->setObjectName(QStringLiteral("1008"));
    m_model = new CFtpListModel(this);
    m_list->setModel(m_model);
    m_list->setIconSize(QSize(10, 10));
    m_list->header()->resizeSection(0, 160);
    m_list->header()->resizeSection(1, 75);
    m_list->header()->resizeSection(2, 120);
    // The date column takes the room the dialog has beyond the three widths.
    m_list->header()->setStretchLastSection(true);

    auto button = [this](const QString &text, const char *id, const QString &tip) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(id));
        b->setToolTip(tip);
        b->setAutoDefault(false);
        return b;
    };
    m_exec = button(QStringLiteral("E&xec"), "1011", QStringLiteral("Executes the selected FTP command."));
    m_exec->setDefault(true);
    m_refresh = button(QStringLiteral("&Refresh"), "1010", QStringLiteral("Refreshes the file and directory list display."));
    m_btnLoadPut = button(QStringLiteral("&Load"), "1012", QString());
    QPushButton *cancel = button(QStringLiteral("Cancel"), "2", QString());

    auto radio = [this](const QString &text, const char *id) {
        auto *r = new QRadioButton(text, this);
        r->setObjectName(QLatin1String(id));
        return r;
    };
    auto *typeGroup = new QGroupBox(QStringLiteral("Transfer Type"), this);
    typeGroup->setObjectName(QStringLiteral("1077"));
    typeGroup->setToolTip(QStringLiteral("Choose appropriate transfer type."));
    m_ascii = radio(QStringLiteral("Ascii"), "1053");
    m_binary = radio(QStringLiteral("Binary"), "1022");
    m_autoDetect = radio(QStringLiteral("Auto Detect"), "1023");
    auto *typeLayout = new QVBoxLayout(typeGroup);
    for (QRadioButton *r : {m_ascii, m_binary, m_autoDetect})
        typeLayout->addWidget(r);
    m_targetGroup = new QGroupBox(QStringLiteral("Source/Target"), this);
    m_targetGroup->setObjectName(QStringLiteral("1078"));
    m_targetGroup->setToolTip(QStringLiteral("Choose appropriate transfer target."));
    m_editor = radio(QStringLiteral("Editor"), "1059");
    m_fileOnly = radio(QStringLiteral("File Only"), "1060");
    auto *targetLayout = new QVBoxLayout(m_targetGroup);
    targetLayout->addWidget(m_editor);
    targetLayout->addWidget(m_fileOnly);

    m_status = new QLineEdit(this);
    m_status->setObjectName(QStringLiteral("1058"));
    m_status->setReadOnly(true);

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("FTP Command >"), this), 0, 0);
    grid->addWidget(m_command, 0, 1);
    grid->addWidget(m_exec, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Current Directory"), this), 1, 0);
    grid->addWidget(m_currentDir, 1, 1);
    grid->addWidget(m_refresh, 1, 2);
    grid->addWidget(m_list, 2, 0, 1, 2);
    auto *side = new QVBoxLayout;
    side->addWidget(m_btnLoadPut);
    side->addWidget(cancel);
    side->addWidget(typeGroup);
    side->addWidget(m_targetGroup);
    side->addStretch(1);
    grid->addLayout(side, 2, 2);
    grid->addWidget(m_status, 3, 0, 1, 3);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(1, 1);
    resize(CDialogUnits::toPixels(QFontMetrics(font()), 360, 220));

    connect(m_exec, &QPushButton::clicked, this, &CFtpBrowseDlg::OnExec);
    connect(m_refresh, &QPushButton::clicked, this, &CFtpBrowseDlg::OnRefresh);
    connect(m_btnLoadPut, &QPushButton::clicked, this, &CFtpBrowseDlg::OnLoadOrPut);
    m_cancel = cancel;
    connect(cancel, &QPushButton::clicked, this, [this] {
        if (m_bListing)
            m_pConnection->cancel();
        reject();
    });
    auto onRadio = [this](QRadioButton *r, auto effect) {
        connect(r, &QRadioButton::clicked, this, effect);
    };
    onRadio(m_ascii, [this] { m_nTransferType = 1; m_bAutoDetect = false; });
    onRadio(m_binary, [this] { m_nTransferType = 2; m_bAutoDetect = false; });
    onRadio(m_autoDetect, [this] { m_nTransferType = 1; m_bAutoDetect = true; });
    onRadio(m_editor, [this] { m_bToEditor = true; });
    onRadio(m_fileOnly, [this] { m_bToEditor = false; });
}

CFtpBrowseDlg::~CFtpBrowseDlg() = default;

int CFtpBrowseDlg::exec()
{
    OnInitDialog();
    return QDialog::exec();
}

void CFtpBrowseDlg::OnInitDialog()
{
    m_model->clear();
    if (m_pConnection) {
        if (m_pConnection->setCurrentDirectory(m_app.settings().REMOTE_DIRECTORY).isEmpty())
            m_strCurrentDir = m_pConnection->currentDirectory();
        else
            message(QStringLiteral("Error setting remote directory"));
        FillList();
    }
    m_strCommand = QStringLiteral("CD");
    if (m_bLoad) {
        m_btnLoadPut->setText(QStringLiteral("&Load"));
        m_btnLoadPut->setToolTip(QStringLiteral("Downloads the selected file into the editor or disk."));
        setWindowTitle(QStringLiteral("Load from Server"));
    } else {
        m_btnLoadPut->setText(QStringLiteral("&Put"));
        m_btnLoadPut->setToolTip(QStringLiteral("Uploads the current file to the server."));
        setWindowTitle(QStringLiteral("Put on Server - ") + m_strFileName);
    }
    m_autoDetect->setChecked(m_bAutoDetect);
    m_ascii->setChecked(!m_bAutoDetect && m_nTransferType == 1);
    m_binary->setChecked(!m_bAutoDetect && m_nTransferType != 1);
    m_editor->setChecked(m_bToEditor);
    m_fileOnly->setChecked(!m_bToEditor);
    writeFields();
}

void CFtpBrowseDlg::readFields()
{
    m_strCurrentDir = m_currentDir->text();
    m_strCommand = m_command->currentText();
    m_strStatus = m_status->text();
}

void CFtpBrowseDlg::writeFields()
{
    m_currentDir->setText(m_strCurrentDir);
    m_command->setEditText(m_strCommand);
    m_status->setText(m_strStatus);
}

bool CFtpBrowseDlg::FillList()
{
    m_strCurrentDir = m_pConnection->currentDirectory();
    QList<CFtpEntry> entries;
    QList<CFtpListModel::Row> rows;
    QString cutNote;
    QString error;
    {
        // While the listing arrives the windows repaint and Cancel ends it;
        // other clicks and keys are dropped.
        CSparingSwallower swallower(m_cancel);
        m_bListing = true;
        m_pConnection->setWaitHandler([] { QCoreApplication::processEvents(); });
        error = m_pConnection->list(entries, &cutNote);
        m_pConnection->setWaitHandler(nullptr);
        m_bListing = false;
    }
    if (error.isEmpty()) {
        rows.reserve(entries.size());
        for (const CFtpEntry &entry : entries)
            rows.append(CFtpListModel::rowFor(entry));
    }
    m_model->setRows(std::move(rows));
    m_strStatus = QStringLiteral("(%1) Items listed.").arg(m_model->rowCount());
    if (!cutNote.isEmpty())
        m_strStatus += QLatin1Char(' ') + cutNote;
    return true;
}

QString CFtpBrowseDlg::selectedName() const
{
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    return rows.isEmpty() ? QString() : m_model->row(rows.first().row()).name;
}

void CFtpBrowseDlg::message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Ostrak"), text, QMessageBox::Ok, this);
    box.exec();
}

bool CFtpBrowseDlg::askYesNo(const QString &text)
{
    // Both questions are about destroying something: Enter answers No.
    QMessageBox box(QMessageBox::Question, QStringLiteral("Ostrak"), text, QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool CFtpBrowseDlg::ran(const QString &what, const std::function<QString()> &change)
{
    const QString error = m_pConnection ? change() : QStringLiteral("not connected");
    if (!error.isEmpty()) {
        m_strStatus = what + QStringLiteral(": ") + error;
        return false;
    }
    m_model->clear();
    FillList();
    return true;
}

void CFtpBrowseDlg::OnLoadOrPut()
{
    if (!m_bLoad) {
        accept();
        return;
    }
    const QString name = selectedName();
    if (m_list->selectionModel()->selectedRows().isEmpty()) {
        message(QStringLiteral("No Item selected"));
        return;
    }
    m_strSelected = name;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Ostrak"), m_strSelected + QStringLiteral(" will be downloaded"),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    if (box.exec() == QMessageBox::Ok)
        accept();
}

void CFtpBrowseDlg::OnRefresh()
{
    readFields();
    m_model->clear();
    if (m_pConnection)
        FillList();
}

void CFtpBrowseDlg::OnExec()
{
    readFields();
    const bool selected = !m_list->selectionModel()->selectedRows().isEmpty();
    m_strSelected = selectedName();
    m_strCommand = m_strCommand.trimmed();

    QString words[5];
    QString rest = m_strCommand;
    for (int i = 0; i < 5; ++i) {
        const qsizetype space = rest.indexOf(QLatin1Char(' '));
        if (space < 0) {
            words[i] = rest.trimmed();
            break;
        }
        words[i] = rest.left(space).trimmed();
        rest = rest.mid(space + 1);
    }
    const QString command = words[0].toUpper();
    const QString chosen = selected ? m_strSelected : words[1];

    if (command == QLatin1String("CD")) {
        if (!selected)
            m_strSelected = words[1];
        if (ran(QStringLiteral("CD ") + m_strSelected,
                [&] { return m_pConnection->setCurrentDirectory(m_strSelected); }))
            m_app.setRemoteDirectory(m_strCurrentDir);
    } else if (command == QLatin1String("MKDIR")) {
        m_dlgCreateDir.m_strDirName = words[1];
        const QString &name = m_dlgCreateDir.m_strDirName;
        if (m_dlgCreateDir.exec() == QDialog::Accepted
            && ran(QStringLiteral("MKDIR ") + name, [&] { return m_pConnection->createDirectory(name); }))
            message(QStringLiteral("Directory ") + name + QStringLiteral(" created."));
    } else if (command == QLatin1String("RMDIR")) {
        if (askYesNo(QStringLiteral("Remove directory :") + chosen))
            ran(QStringLiteral("RMDIR ") + chosen, [&] { return m_pConnection->removeDirectory(chosen); });
    } else if (command == QLatin1String("RENAME")) {
        m_dlgRename.m_strOldName = chosen;
        m_dlgRename.m_strNewName = selected ? m_strSelected : words[2];
        const QString &from = m_dlgRename.m_strOldName, &to = m_dlgRename.m_strNewName;
        if (m_dlgRename.exec() == QDialog::Accepted
            && ran(QStringLiteral("RENAME ") + from, [&] { return m_pConnection->rename(from, to); }))
            message(QStringLiteral("File %1 renamed to %2").arg(from, to));
    } else if (command == QLatin1String("DELETE")) {
        if (askYesNo(QStringLiteral("Delete file :") + chosen))
            ran(QStringLiteral("DELETE ") + chosen, [&] { return m_pConnection->remove(chosen); });
    } else {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Ostrak"),
                        QStringLiteral("FTP command :") + command + QStringLiteral(" not allowed"), QMessageBox::Ok, this);
        box.exec();
    }
    writeFields();
}
