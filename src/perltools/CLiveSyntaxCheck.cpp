#include "CLiveSyntaxCheck.h"

#include "editor/COstrakView.h"
#include "run/CRunCommandLine.h"

CLiveSyntaxCheck::CLiveSyntaxCheck(COstrakView *view, std::function<QString()> path,
                                   std::function<std::pair<QString, QString>()> perl)
    : QObject(view)
    , m_view(view)
    , m_path(std::move(path))
    , m_perl(std::move(perl))
    , m_marks(view)
{
    connect(view, &COstrakView::textEdited, this, &CLiveSyntaxCheck::scriptChanged);
    connect(&m_checker, &CSyntaxChecker::checked, this,
            [this](const QList<CDiagnostic> &diagnostics, const QString &status) {
                m_marks.show(diagnostics);
                setStatus(status);
            });
}

QString CLiveSyntaxCheck::switchTip()
{
    return QStringLiteral("Check the script with perl -c while typing; this runs its BEGIN blocks and use statements");
}

void CLiveSyntaxCheck::setEnabled(bool on)
{
    m_checker.setEnabled(on);
    if (on) {
        scriptChanged();
    } else {
        m_marks.clear();
        setStatus(QString());
    }
}

void CLiveSyntaxCheck::scriptChanged()
{
    if (!m_checker.isEnabled())
        return;
    const QString path = m_path();
    if (CRunCommandLine::isJava(path)) {
        m_checker.cancel();
        if (!m_marks.diagnostics().isEmpty() || !m_status.isEmpty()) {
            m_marks.clear();
            setStatus(QString());
        }
        return;
    }
    const auto [program, missing] = m_perl();
    m_checker.setPerl(program, missing);
    COstrakView *view = m_view;
    m_checker.textChanged(path, [view] { return view->bytes(); });
}

QString CLiveSyntaxCheck::goToNext(bool forward)
{
    const CDiagnostic *d = m_marks.goToNext(forward);
    if (!d)
        return QStringLiteral("No errors or warnings");
    m_view->reportCaretPosition();
    return d->message.section(QLatin1Char('\n'), -1);
}

void CLiveSyntaxCheck::setStatus(const QString &status)
{
    if (status == m_status)
        return;
    m_status = status;
    emit statusChanged(status);
}
