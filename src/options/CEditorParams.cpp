#include "CEditorParams.h"

#include "app/CDialogUnits.h"
#include "app/CSettings.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CEditorParams::CEditorParams(const std::optional<QFont> &editorFont, QWidget *parent)
    : COptionsPage(QStringLiteral("Editor"), parent)
    , m_editorFont(editorFont)
{
}

void CEditorParams::load(const CSettings &settings)
{
    m_strTab = settings.TAB_SIZE;
    m_strIndent = settings.INDENT_SIZE;
    m_strFont = settings.VIEW_FONT;
    m_strTabExpand = settings.TAB_EXPAND;
    m_bAutoIndent = settings.AUTO_INDENT;
}

void CEditorParams::store(CSettings &settings) const
{
    settings.TAB_SIZE = m_strTab;
    settings.INDENT_SIZE = m_strIndent;
    settings.VIEW_FONT = m_strFont;
    settings.TAB_EXPAND = m_strTabExpand;
    settings.AUTO_INDENT = m_bAutoIndent ? 1 : 0;
}

void CEditorParams::OnInitDialog()
{
    // A size never set (a fresh install) shows as 4, so that OK passes the
    // page's own range checks; a size the user set shows as it is.
    const auto sizeOrUsual = [](const QString &text) {
        const int size = CSettings::leadingInt(text);
        return size == 0 ? kUsualSize : size;
    };
    m_nTabSize = sizeOrUsual(m_strTab);
    m_nIndentSize = sizeOrUsual(m_strIndent);
    m_font = m_editorFont ? *m_editorFont : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    m_logFont = CViewFont::fromFont(m_font, CViewFont::parse(m_strFont).value_or(CViewFont{}));

    QGroupBox *tabs = addGroup(QStringLiteral("Tabs"));
    QGridLayout *grid = gridOf(tabs);
    m_tabSize = addEdit(grid, 0, QStringLiteral("Tab size"), 1018);
    m_indentSize = addEdit(grid, 1, QStringLiteral("Indent size"), 1019);
    auto *spaces = new QRadioButton(QStringLiteral("Spaces"), tabs);
    spaces->setObjectName(QStringLiteral("1020"));
    auto *tabChars = new QRadioButton(QStringLiteral("Tabs"), tabs);
    tabChars->setObjectName(QStringLiteral("1021"));
    auto *tabGroup = new QButtonGroup(this);
    tabGroup->addButton(spaces);
    tabGroup->addButton(tabChars);
    grid->addWidget(spaces, 0, 2);
    grid->addWidget(tabChars, 1, 2);
    grid->setColumnStretch(1, 1);

    auto *lower = new QHBoxLayout;
    auto *autoIndent = new QGroupBox(QStringLiteral("Auto Indent ?"), this);
    auto *no = new QRadioButton(QStringLiteral("No"), autoIndent);
    no->setObjectName(QStringLiteral("1022"));
    auto *yes = new QRadioButton(QStringLiteral("Yes"), autoIndent);
    yes->setObjectName(QStringLiteral("1023"));
    auto *indentLayout = new QVBoxLayout(autoIndent);
    indentLayout->addWidget(no);
    indentLayout->addWidget(yes);
    lower->addWidget(autoIndent);

    auto *fontColumn = new QVBoxLayout;
    auto *fontButton = new QPushButton(QStringLiteral("Text display &Font"), this);
    fontButton->setObjectName(QStringLiteral("1013"));
    fontButton->setAutoDefault(false);
    m_sample = new QLineEdit(this);
    m_sample->setObjectName(QStringLiteral("1017"));
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setMaxLength(kSampleLimit);
    m_sample->setFixedSize(CDialogUnits::toPixels(QFontMetrics(font()), 125, 29));
    m_sample->setFont(m_font);
    fontColumn->addWidget(fontButton, 0, Qt::AlignHCenter);
    fontColumn->addWidget(m_sample, 0, Qt::AlignHCenter);
    lower->addLayout(fontColumn, 1);
    static_cast<QVBoxLayout *>(layout())->addLayout(lower);
    static_cast<QVBoxLayout *>(layout())->addStretch();

    (m_strTabExpand == QLatin1String("Y") ? spaces : tabChars)->setChecked(true);
    (m_bAutoIndent ? yes : no)->setChecked(true);
    m_strAutoIndent = m_bAutoIndent ? QStringLiteral("Y") : QStringLiteral("N");

    marksModified(m_tabSize);
    marksModified(m_indentSize);
    connect(spaces, &QRadioButton::clicked, this, [this] { setTabExpand(QStringLiteral("Y")); });
    connect(tabChars, &QRadioButton::clicked, this, [this] { setTabExpand(QStringLiteral("N")); });
    connect(yes, &QRadioButton::clicked, this, [this] { setAutoIndent(1); });
    connect(no, &QRadioButton::clicked, this, [this] { setAutoIndent(0); });
    connect(fontButton, &QPushButton::clicked, this, &CEditorParams::OnFont);
    COptionsPage::OnInitDialog();
}

void CEditorParams::DoDataExchange(CDataExchange &dx)
{
    dx.text(m_sample, m_strSample);
    dx.integer(m_indentSize, m_nIndentSize, 1, 100);
    dx.integer(m_tabSize, m_nTabSize, 2, 10);
}

void CEditorParams::OnOK()
{
    m_strTab = QString::number(m_nTabSize);
    m_strIndent = QString::number(m_nIndentSize);
    m_strFont = m_logFont.format();
    m_appliedFont = m_font;
}

void CEditorParams::setTabExpand(const QString &text)
{
    m_strTabExpand = text;
    SetModified();
}

void CEditorParams::setAutoIndent(int on)
{
    m_bAutoIndent = on;
    m_strAutoIndent = on ? QStringLiteral("Y") : QStringLiteral("N");
    SetModified();
}

void CEditorParams::OnFont()
{
    QFontDialog dialog(m_font, this);
    dialog.setObjectName(QStringLiteral("fontDialog"));
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The editor keeps its font until the sheet saves.
    m_font = dialog.selectedFont();
    m_logFont = CViewFont::fromFont(m_font, m_logFont);
    m_sample->setFont(m_font);
    SetModified();
}
