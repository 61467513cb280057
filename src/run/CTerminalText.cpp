#include "CTerminalText.h"

#include <QColor>
#include <QFont>

#include <algorithm>

namespace {

constexpr char16_t kEsc = 0x1B;
constexpr char16_t kNulSymbol = 0x2400;
constexpr int kMaxParams = 32;
constexpr int kMaxParamValue = 99999;

bool isCancel(char16_t c)
{
    return c == 0x18 || c == 0x1A;
}

bool startsControlString(char16_t c)
{
    // OSC, DCS, SOS, PM, APC after ESC.
    return c == u']' || c == u'P' || c == u'X' || c == u'^' || c == u'_';
}

} // namespace

QColor CTerminalStyle::paletteColour(int index)
{
    // Readable on a light pane as well as on a dark one.
    static const QRgb standard[16] = {0x000000, 0xc23621, 0x25a224, 0xadad27, 0x492ee1, 0xd338d3, 0x33a2b0, 0xcbcccd,
                                      0x818383, 0xfc391f, 0x31c722, 0xc8ca23, 0x5833ff, 0xf935f8, 0x14b8c0, 0xe9ebeb};
    if (index < 16)
        return QColor(standard[std::max(0, index)]);
    if (index < 232) {
        const int v = index - 16;
        auto level = [](int c) { return c ? 55 + 40 * c : 0; };
        return QColor(level(v / 36), level(v / 6 % 6), level(v % 6));
    }
    const int grey = 8 + 10 * (std::min(index, 255) - 232);
    return QColor(grey, grey, grey);
}

QTextCharFormat CTerminalStyle::charFormat(const QColor &paneText, const QColor &paneBase, const QColor &input) const
{
    QTextCharFormat format;
    if (isPlain())
        return format;
    auto colour = [](qint32 c) {
        if (c == DefaultColour)
            return QColor();
        return c & TrueColour ? QColor(QRgb(c & 0xffffff)) : paletteColour(c);
    };
    QColor fg = colour(foreground);
    QColor bg = colour(background);
    if (!fg.isValid() && (flags & Input))
        fg = input;
    if (flags & Inverse) {
        const QColor oldFg = fg.isValid() ? fg : paneText;
        fg = bg.isValid() ? bg : paneBase;
        bg = oldFg;
    }
    if (flags & Faint) {
        const QColor from = fg.isValid() ? fg : paneText;
        fg = QColor((from.red() + paneBase.red()) / 2, (from.green() + paneBase.green()) / 2,
                    (from.blue() + paneBase.blue()) / 2);
    }
    if (fg.isValid())
        format.setForeground(fg);
    if (bg.isValid())
        format.setBackground(bg);
    if (flags & Bold)
        format.setFontWeight(QFont::Bold);
    if (flags & Italic)
        format.setFontItalic(true);
    if (flags & Underline)
        format.setFontUnderline(true);
    return format;
}

void CTerminalText::feed(QStringView text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        if (m_state == Ground) {
            qsizetype j = i;
            while (j < n) {
                const char16_t c = text[j].unicode();
                if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
                    break;
                ++j;
            }
            if (j > i) {
                put(text.mid(i, j - i), m_style);
                i = j;
                continue;
            }
        }
        const char16_t c = text[i++].unicode();
        switch (m_state) {
        case Ground:
            if (c == kEsc) {
                m_state = Escape;
            } else if (c == 0x9B) {
                m_state = Csi;
                m_params.assign(1, -1);
                m_sub.assign(1, false);
                m_private = QChar();
                m_intermediate = false;
            } else if (c == 0x9D || c == 0x90 || c == 0x98 || c == 0x9E || c == 0x9F) {
                m_state = ControlString;
            } else {
                control(c);
            }
            break;
        case Escape:
            if (c == u'[') {
                m_state = Csi;
                m_params.assign(1, -1);
                m_sub.assign(1, false);
                m_private = QChar();
                m_intermediate = false;
            } else if (startsControlString(c)) {
                m_state = ControlString;
            } else if (c >= 0x20 && c <= 0x2F) {
                m_state = EscapeIntermediate;
            } else if (isCancel(c)) {
                m_state = Ground;
            } else if (c < 0x20) {
                if (c != kEsc)
                    control(c);   // executed; the sequence goes on
            } else {
                m_state = Ground;   // ESC 7, ESC =, ESC c and the like: dropped
            }
            break;
        case EscapeIntermediate:
            if (c == kEsc)
                m_state = Escape;
            else if (isCancel(c))
                m_state = Ground;
            else if (c < 0x20)
                control(c);
            else if (c > 0x2F)
                m_state = Ground;   // charset designations and the like: dropped
            break;
        case Csi:
            if (c >= u'0' && c <= u'9') {
                int &p = m_params.back();
                p = std::min(std::max(p, 0) * 10 + (c - u'0'), kMaxParamValue);
            } else if (c == u';' || c == u':') {
                if (m_params.size() < kMaxParams) {
                    m_params.push_back(-1);
                    m_sub.push_back(c == u':');
                }
            } else if (c >= u'<' && c <= u'?') {
                m_private = QChar(c);
            } else if (c >= 0x20 && c <= 0x2F) {
                m_intermediate = true;
            } else if (c >= 0x40 && c <= 0x7E) {
                m_state = Ground;
                if (!m_intermediate && m_private.isNull())
                    csiFinal(c);
            } else if (c == kEsc) {
                m_state = Escape;
            } else if (isCancel(c) || c >= 0x80) {
                m_state = Ground;
            } else if (c < 0x20) {
                control(c);
            }
            break;
        case ControlString:
            // Ends with BEL or ST (ESC \ or U+009C); an ESC starts the next sequence.
            if (c == 0x07 || c == 0x9C || isCancel(c))
                m_state = Ground;
            else if (c == kEsc)
                m_state = Escape;
            break;
        }
    }
}

void CTerminalText::feedInput(QStringView text)
{
    CTerminalStyle style;
    style.flags = CTerminalStyle::Input;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\n')
            continue;
        put(text.mid(start, i - start), style);
        if (i < text.size())
            newLine();
        start = i + 1;
    }
}

void CTerminalText::clearLine()
{
    m_line.resize(0);   // keeps its capacity for the next line
    m_lineStyles.clear();
    m_uniform = true;
    m_column = 0;
    m_changedFrom = 0;
}

void CTerminalText::control(char16_t c)
{
    switch (c) {
    case 0x00:
        put(QStringView(&kNulSymbol, 1), m_style);
        break;
    case u'\n':
    case 0x0B:
    case 0x0C:
        newLine();
        break;
    case u'\r':
        m_column = 0;
        break;
    case 0x08:
        if (m_column > 0)
            --m_column;
        if (m_column > 0 && m_column < m_line.size() && m_line.at(m_column).isLowSurrogate())
            --m_column;
        break;
    case u'\t':
        put(u"\t", m_style);
        break;
    default:
        break;   // BEL and the other controls show nothing
    }
}

void CTerminalText::put(QStringView chars, const CTerminalStyle &style)
{
    while (!chars.isEmpty()) {
        if (m_column >= m_wrapColumn)
            newLine();
        QStringView piece = chars.left(m_wrapColumn - m_column);
        if (piece.size() < chars.size() && piece.size() > 1 && piece.back().isHighSurrogate())
            piece.chop(1);
        if (m_column > m_line.size()) {
            markChanged(m_line.size());
            styleCells(m_line.size(), 0, m_column - m_line.size(), CTerminalStyle());
            m_line.append(QString(m_column - m_line.size(), u' '));
        }
        markChanged(m_column);
        const qsizetype overlap = std::min(m_line.size() - m_column, piece.size());
        styleCells(m_column, overlap, piece.size() - overlap, style);
        m_line.replace(m_column, overlap, piece.data(), piece.size());
        m_column += piece.size();
        chars = chars.mid(piece.size());
    }
}

void CTerminalText::styleCells(qsizetype at, qsizetype overwrite, qsizetype insert, const CTerminalStyle &style)
{
    // A line of one style (the usual case) keeps no style per cell.
    if (m_uniform) {
        if (m_line.isEmpty())
            m_uniformStyle = style;
        if (style == m_uniformStyle)
            return;
        m_lineStyles.assign(size_t(m_line.size()), m_uniformStyle);
        m_uniform = false;
    }
    std::fill_n(m_lineStyles.begin() + at, overwrite, style);
    m_lineStyles.insert(m_lineStyles.begin() + at + overwrite, size_t(insert), style);
}

void CTerminalText::commit(QStringView text, const CTerminalStyle &style)
{
    m_committedChars += text.size();
    if (!m_committed.isEmpty() && m_committed.back().style == style)
        m_committed.back().text += text;
    else
        m_committed.append({text.toString(), style});
}

void CTerminalText::newLine()
{
    if (m_uniform) {
        if (!m_line.isEmpty())
            commit(m_line, m_uniformStyle);
    } else {
        for (const CTextRun &run : openLine())
            commit(run.text, run.style);
    }
    commit(u"\n", CTerminalStyle());
    clearLine();
}

QList<CTextRun> CTerminalText::takeCommitted()
{
    m_committedChars = 0;
    return std::exchange(m_committed, {});
}

QList<CTextRun> CTerminalText::openLine() const
{
    if (m_uniform)
        return m_line.isEmpty() ? QList<CTextRun>() : QList<CTextRun>{{m_line, m_uniformStyle}};
    QList<CTextRun> runs;
    qsizetype start = 0;
    for (qsizetype i = 1; i <= m_line.size(); ++i) {
        if (i < m_line.size() && m_lineStyles[size_t(i)] == m_lineStyles[size_t(start)])
            continue;
        runs.append({m_line.mid(start, i - start), m_lineStyles[size_t(start)]});
        start = i;
    }
    return runs;
}

int CTerminalText::param(int index, int fallback) const
{
    if (index >= int(m_params.size()) || m_params[size_t(index)] < 0)
        return fallback;
    return m_params[size_t(index)];
}

void CTerminalText::eraseCells(qsizetype from, qsizetype to)
{
    to = std::min(to, m_line.size());
    if (from >= to)
        return;
    markChanged(from);
    styleCells(from, to - from, 0, CTerminalStyle());
    for (qsizetype i = from; i < to; ++i)
        m_line[i] = u' ';
}

void CTerminalText::csiFinal(char16_t c)
{
    const qsizetype count = std::max(1, param(0, 1));
    const qsizetype lastColumn = m_wrapColumn - 1;
    switch (c) {
    case u'm':
        sgr();
        break;
    case u'K':   // erase in line
        switch (param(0, 0)) {
        case 0:
            if (m_column < m_line.size()) {
                markChanged(m_column);
                m_line.truncate(m_column);
                if (!m_uniform)
                    m_lineStyles.resize(size_t(m_column));
            }
            break;
        case 1:
            eraseCells(0, m_column + 1);
            break;
        case 2: {
            const qsizetype column = m_column;
            clearLine();
            m_column = column;
            break;
        }
        }
        break;
    case u'C':
        m_column = std::min(m_column + count, lastColumn);
        break;
    case u'D':
        m_column = std::max<qsizetype>(0, m_column - count);
        break;
    case u'G':
    case u'`':
        m_column = std::min(count - 1, lastColumn);
        break;
    case u'X':
        eraseCells(m_column, m_column + count);
        break;
    case u'P':   // delete characters
        if (m_column < m_line.size()) {
            const qsizetype n = std::min(count, m_line.size() - m_column);
            markChanged(m_column);
            m_line.remove(m_column, n);
            if (!m_uniform)
                m_lineStyles.erase(m_lineStyles.begin() + m_column, m_lineStyles.begin() + m_column + n);
        }
        break;
    case u'@':   // insert blanks
        if (m_column < m_line.size()) {
            const qsizetype n = std::min(count, lastColumn + 1 - m_column);
            markChanged(m_column);
            styleCells(m_column, 0, n, CTerminalStyle());
            m_line.insert(m_column, QString(n, u' '));
            m_line.truncate(lastColumn + 1);
            if (!m_uniform)
                m_lineStyles.resize(size_t(m_line.size()));
        }
        break;
    default:
        break;   // cursor rows, screen erase, scrolling: no place in a transcript
    }
}

void CTerminalText::sgr()
{
    const int n = int(m_params.size());
    // Parameters that follow their code after a colon belong to it (38:2::r:g:b).
    auto subCount = [this, n](int i) {
        int k = 0;
        while (i + 1 + k < n && m_sub[size_t(i + 1 + k)])
            ++k;
        return k;
    };
    auto extendedColour = [&](int &i, qint32 &target) {
        const int subs = subCount(i);
        std::vector<int> v;
        if (subs > 0) {
            for (int k = 1; k <= subs; ++k)
                v.push_back(std::max(0, param(i + k, 0)));
            if (v.size() == 5 && v[0] == 2)
                v.erase(v.begin() + 1);   // the colour-space id
            i += subs;
        } else {
            const int kind = param(i + 1, -1);
            const int take = kind == 5 ? 2 : kind == 2 ? 4 : 1;
            for (int k = 1; k <= take && i + k < n; ++k)
                v.push_back(std::max(0, param(i + k, 0)));
            i += int(v.size());
        }
        if (v.size() >= 2 && v[0] == 5)
            target = std::min(v[1], 255);
        else if (v.size() >= 4 && v[0] == 2)
            target = CTerminalStyle::TrueColour | (std::min(v[1], 255) << 16) | (std::min(v[2], 255) << 8)
                     | std::min(v[3], 255);
    };
    for (int i = 0; i < n; ++i) {
        const int code = param(i, 0);
        quint8 &f = m_style.flags;
        switch (code) {
        case 0: m_style = CTerminalStyle(); break;
        case 1: f |= CTerminalStyle::Bold; break;
        case 2: f |= CTerminalStyle::Faint; break;
        case 3: f |= CTerminalStyle::Italic; break;
        case 4:
            if (subCount(i) > 0 && param(i + 1, 1) == 0)
                f &= ~CTerminalStyle::Underline;
            else
                f |= CTerminalStyle::Underline;
            break;
        case 7: f |= CTerminalStyle::Inverse; break;
        case 21: f |= CTerminalStyle::Underline; break;
        case 22: f &= ~(CTerminalStyle::Bold | CTerminalStyle::Faint); break;
        case 23: f &= ~CTerminalStyle::Italic; break;
        case 24: f &= ~CTerminalStyle::Underline; break;
        case 27: f &= ~CTerminalStyle::Inverse; break;
        case 38: extendedColour(i, m_style.foreground); break;
        case 39: m_style.foreground = CTerminalStyle::DefaultColour; break;
        case 48: extendedColour(i, m_style.background); break;
        case 49: m_style.background = CTerminalStyle::DefaultColour; break;
        case 58: {   // underline colour: not shown
            qint32 ignored = 0;
            extendedColour(i, ignored);
            break;
        }
        default:
            if (code >= 30 && code <= 37)
                m_style.foreground = code - 30;
            else if (code >= 40 && code <= 47)
                m_style.background = code - 40;
            else if (code >= 90 && code <= 97)
                m_style.foreground = code - 90 + 8;
            else if (code >= 100 && code <= 107)
                m_style.background = code - 100 + 8;
            break;
        }
        i += code == 38 || code == 48 || code == 58 ? 0 : subCount(i);
    }
}
