#include "CScriptInputsDlg.h"

#include "CCgiParametersDlg.h"
#include "app/CDialogUnits.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>
#include <QValidator>

namespace {

// Turns whatever is typed into upper case.
class CUpperCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

QPushButton *makeButton(const QString &text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

CScriptInputsDlg::CScriptInputsDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CScriptInputsDlg"));
    setWindowTitle(QStringLiteral("Specify Script Inputs"));

    m_ok = makeButton(QStringLiteral("&Save"), "1", this);
    m_ok->setDefault(true);
    m_cancel = makeButton(QStringLiteral("&Cancel"), "2", this);
    m_help = makeButton(QStringLiteral("&Help"), "9", this);
    m_cgi = makeButton(QStringLiteral("C&GI"), "1063", this);
    m_cgi->setToolTip(QStringLiteral("Common Gateway Interface parameters for this simulation."));
    m_eof = makeButton(QStringLiteral("&EOF"), "1065", this);

    auto *label = new QLabel(QStringLiteral("Request Method"), this);
    m_method = new QComboBox(this);
    m_method->setObjectName(QStringLiteral("1064"));
    m_method->setEditable(true);
    m_method->setInsertPolicy(QComboBox::NoInsert);
    m_method->addItems({QString(), QStringLiteral("GET"), QStringLiteral("POST")});   // sorted
    m_method->lineEdit()->setMaxLength(CScriptInput::MaxMethodLength);
    m_method->setValidator(new CUpperCaseValidator(m_method));
    m_method->setCompleter(nullptr);
    m_method->setToolTip(QStringLiteral(
        "Request method if running in CGI mode. Leave it blank to continue providing input through the process."));
    label->setBuddy(m_method);

    m_input = new QPlainTextEdit(this);
    m_input->setObjectName(QStringLiteral("1037"));
    m_input->setTabChangesFocus(true);
    m_input->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_input->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_input->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_input->setToolTip(QStringLiteral("Standard input for the process."));
    connect(m_input, &QPlainTextEdit::textChanged, this, &CScriptInputsDlg::limitInput);

    auto *top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(m_method);
    top->addStretch();
    auto *left = new QVBoxLayout;
    left->addLayout(top);
    left->addWidget(m_input, 1);
    auto *right = new QVBoxLayout;
    for (QPushButton *b : {m_ok, m_cancel, m_help, m_cgi, m_eof})
        right->addWidget(b);
    right->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    resize(CDialogUnits::toPixels(QFontMetrics(font()), 339, 159));

    connect(m_ok, &QPushButton::clicked, this, &CScriptInputsDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CScriptInputsDlg::reject);
    connect(m_method, &QComboBox::activated, this, &CScriptInputsDlg::onMethodChosen);
    connect(m_cgi, &QPushButton::clicked, this, &CScriptInputsDlg::OnCgi);
    connect(m_help, &QPushButton::clicked, this, &CScriptInputsDlg::OnHelp);
}

QString CScriptInputsDlg::helpText()
{
    return QStringLiteral(
        "The input is what the script reads from its standard input when it runs.\n\n"
        "With a request method the run simulates a CGI request: the script gets GATEWAY_INTERFACE, "
        "REQUEST_METHOD, SERVER_PROTOCOL, SERVER_NAME, SCRIPT_NAME and SCRIPT_FILENAME.\n"
        "POST: the input is the request body on standard input, then end of input; CONTENT_LENGTH and "
        "CONTENT_TYPE describe it.\n"
        "GET: the input, without its line ends, is the QUERY_STRING; standard input ends at once.\n"
        "No method: the input is written and standard input stays open for what you type in the output "
        "window.\n\n"
        "The CGI button sets further environment variables, which replace the simulation's own.");
}

void CScriptInputsDlg::OnCgi()
{
    CCgiParametersDlg table(m_cgiEdits, this);
    if (table.exec() == QDialog::Accepted)
        table.apply(m_cgiEdits);
}

void CScriptInputsDlg::OnHelp()
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Specify Script Inputs"), helpText(), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("help"));
    box.exec();
}

void CScriptInputsDlg::setValues(const CScriptInput &values)
{
    m_values = values;
}

void CScriptInputsDlg::setViewMode(bool on)
{
    m_bViewMode = on;
}

int CScriptInputsDlg::exec()
{
    initialise();
    return QDialog::exec();
}

void CScriptInputsDlg::initialise()
{
    m_values.setRequestMethod(m_values.requestMethod());
    m_cgiEdits = m_values;
    m_input->setPlainText(m_values.input());
    m_method->setEditText(m_values.requestMethod());
    m_cgi->setVisible(!m_values.requestMethod().isEmpty());
    m_eof->hide();

    m_ok->setText(m_bViewMode ? QStringLiteral("&Done") : QStringLiteral("&Save"));
    m_ok->setToolTip(m_bViewMode ? QStringLiteral("Closes the input window.")
                                 : QStringLiteral("Save the input to be applied when the script runs."));
    setWindowTitle(m_bViewMode ? QStringLiteral("View script input") : QStringLiteral("Specify Script Inputs"));
    m_input->setReadOnly(m_bViewMode);
    m_method->setEnabled(!m_bViewMode);
    m_help->setVisible(!m_bViewMode);
    m_input->setFocus();
}

void CScriptInputsDlg::onMethodChosen(int index)
{
    // The saved values change only with OK; the CGI button follows the choice at once.
    const QString method = m_method->itemText(index).trimmed();
    m_method->setEditText(method);
    m_cgi->setVisible(!method.isEmpty());
}

void CScriptInputsDlg::limitInput()
{
    const QString text = m_input->toPlainText();
    const qsizetype over = text.size() - CScriptInput::MaxInputLength;
    if (over <= 0)
        return;
    // Drops what was just typed or pasted beyond the limit: it lies before the caret.
    QTextCursor c = m_input->textCursor();
    const int end = c.position();
    c.setPosition(std::max(0, end - static_cast<int>(over)));
    c.setPosition(end, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    if (m_input->toPlainText().size() > CScriptInput::MaxInputLength) {
        QTextCursor all = m_input->textCursor();
        all.setPosition(CScriptInput::MaxInputLength);
        all.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        all.removeSelectedText();
    }
}

void CScriptInputsDlg::accept()
{
    for (int i = 0; i < CScriptInput::MaxCgiParameters; ++i) {
        m_values.m_strCgiNames[i] = m_cgiEdits.m_strCgiNames[i];
        m_values.m_strCgiValues[i] = m_cgiEdits.m_strCgiValues[i];
    }
    m_values.m_nCgiCount = m_cgiEdits.m_nCgiCount;
    m_values.setInput(m_input->toPlainText());
    m_values.setRequestMethod(m_method->currentText());
    m_method->setEditText(m_values.requestMethod());
    QDialog::accept();
}
