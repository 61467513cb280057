#include "CBreakpointMargin.h"

#include <Qsci/qsciscintilla.h>

#include <QInputDialog>
#include <QMenu>

namespace {

constexpr int kBreakpointMask = (1 << CBreakpointMargin::BreakpointMarker) | (1 << CBreakpointMargin::ConditionalMarker);

} // namespace

CBreakpointMargin::CBreakpointMargin(QsciScintilla *editor)
    : QObject(editor)
    , m_editor(editor)
{
    setObjectName(QStringLiteral("CBreakpointMargin"));
    m_editor->setMarginType(Margin, QsciScintilla::SymbolMargin);
    m_editor->setMarginWidth(Margin, 16);
    m_editor->setMarginSensitivity(Margin, true);
    m_editor->setMarginMarkerMask(Margin, kBreakpointMask | (1 << CurrentLineMarker));
    m_editor->markerDefine(QsciScintilla::Circle, BreakpointMarker);
    m_editor->setMarkerBackgroundColor(QColor(0xc0, 0x20, 0x20), BreakpointMarker);
    m_editor->setMarkerForegroundColor(QColor(0x80, 0x10, 0x10), BreakpointMarker);
    m_editor->markerDefine(QsciScintilla::Circle, ConditionalMarker);
    m_editor->setMarkerBackgroundColor(QColor(0xe0, 0x90, 0x20), ConditionalMarker);
    m_editor->setMarkerForegroundColor(QColor(0x80, 0x10, 0x10), ConditionalMarker);
    m_editor->markerDefine(QsciScintilla::RightArrow, CurrentLineMarker);
    m_editor->setMarkerBackgroundColor(QColor(0xf0, 0xd0, 0x00), CurrentLineMarker);
    m_editor->setMarkerForegroundColor(QColor(0x60, 0x50, 0x00), CurrentLineMarker);
    m_editor->markerDefine(QsciScintilla::Background, CurrentLineBackground);
    m_editor->setMarkerBackgroundColor(QColor(0xff, 0xf4, 0xa0), CurrentLineBackground);
    connect(m_editor, &QsciScintilla::marginClicked, this, &CBreakpointMargin::onMarginClicked);
    connect(m_editor, &QsciScintilla::marginRightClicked, this,
            [this](int margin, int line, Qt::KeyboardModifiers) {
                if (margin != Margin)
                    return;
                const QString now = condition(line + 1);
                bool ok = false;
                const QString text = QInputDialog::getText(m_editor, QStringLiteral("Breakpoint Condition"),
                                                           QStringLiteral("Stop at line %1 when this Perl expression is true "
                                                                          "(empty: always):").arg(line + 1),
                                                           QLineEdit::Normal, now, &ok);
                if (ok)
                    setCondition(line + 1, text.trimmed());
            });
}

void CBreakpointMargin::onMarginClicked(int margin, int line, Qt::KeyboardModifiers)
{
    if (margin == Margin)
        toggle(line + 1);
}

int CBreakpointMargin::handleAt(int line) const
{
    // The handle of the breakpoint marker on `line`, -1 when none.
    for (auto it = m_conditions.cbegin(); it != m_conditions.cend(); ++it) {
        if (m_editor->markerLine(it.key()) == line - 1)
            return it.key();
    }
    return -1;
}

bool CBreakpointMargin::hasBreakpoint(int line) const
{
    return handleAt(line) >= 0;
}

QString CBreakpointMargin::condition(int line) const
{
    const int handle = handleAt(line);
    return handle >= 0 ? m_conditions.value(handle) : QString();
}

void CBreakpointMargin::place(int line, const QString &condition)
{
    const int handle = m_editor->markerAdd(line - 1, condition.isEmpty() ? BreakpointMarker : ConditionalMarker);
    if (handle < 0)
        return;
    m_conditions.insert(handle, condition);
    emit added(line, condition);
}

void CBreakpointMargin::toggle(int line)
{
    if (line < 1 || line > m_editor->lines())
        return;
    const int handle = handleAt(line);
    if (handle < 0) {
        place(line, QString());
        return;
    }
    m_editor->markerDeleteHandle(handle);
    m_conditions.remove(handle);
    emit removed(line);
}

void CBreakpointMargin::setCondition(int line, const QString &condition)
{
    const int handle = handleAt(line);
    if (handle >= 0) {
        m_editor->markerDeleteHandle(handle);
        m_conditions.remove(handle);
        emit removed(line);
    }
    place(line, condition);
}

void CBreakpointMargin::move(int from, int to)
{
    const int handle = handleAt(from);
    if (handle < 0 || from == to)
        return;
    const QString kept = m_conditions.take(handle);
    m_editor->markerDeleteHandle(handle);
    if (hasBreakpoint(to))
        return;
    const int moved = m_editor->markerAdd(to - 1, kept.isEmpty() ? BreakpointMarker : ConditionalMarker);
    if (moved >= 0)
        m_conditions.insert(moved, kept);
}

void CBreakpointMargin::clear()
{
    m_editor->markerDeleteAll(BreakpointMarker);
    m_editor->markerDeleteAll(ConditionalMarker);
    m_conditions.clear();
}

QList<CDebugBreakpoint> CBreakpointMargin::breakpoints(const QString &path) const
{
    QList<CDebugBreakpoint> list;
    for (auto it = m_conditions.cbegin(); it != m_conditions.cend(); ++it) {
        const int line = m_editor->markerLine(it.key());
        if (line >= 0)
            list.append({path, line + 1, it.value()});
    }
    std::sort(list.begin(), list.end(), [](const CDebugBreakpoint &a, const CDebugBreakpoint &b) { return a.line < b.line; });
    return list;
}

void CBreakpointMargin::setCurrentLine(int line)
{
    if (m_currentHandle >= 0) {
        m_editor->markerDeleteHandle(m_currentHandle);
        m_editor->markerDeleteHandle(m_currentBackgroundHandle);
        m_currentHandle = m_currentBackgroundHandle = -1;
    }
    if (line < 1)
        return;
    m_currentHandle = m_editor->markerAdd(line - 1, CurrentLineMarker);
    m_currentBackgroundHandle = m_editor->markerAdd(line - 1, CurrentLineBackground);
}

int CBreakpointMargin::currentLine() const
{
    return m_currentHandle >= 0 ? m_editor->markerLine(m_currentHandle) + 1 : 0;
}
