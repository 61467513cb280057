#include "CViewFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

// Reads an integer the way "%ld"/"%d" of scanf do: leading white space, an
// optional sign, at least one digit.
bool scanInt(const QString &text, qsizetype &pos, long &out)
{
    const qsizetype n = text.size();
    while (pos < n && text[pos].isSpace())
        ++pos;
    qsizetype start = pos;
    if (pos < n && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    const qsizetype digits = pos;
    while (pos < n && text[pos] >= '0' && text[pos] <= '9')
        ++pos;
    if (pos == digits)
        return false;
    bool ok = false;
    const qlonglong v = QStringView(text).mid(start, pos - start).toLongLong(&ok);
    out = ok ? static_cast<long>(static_cast<qint32>(v)) : 0;
    return true;
}

bool isFaceChar(QChar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == ' ';
}

} // namespace

std::optional<CViewFont> CViewFont::parse(const QString &text)
{
    long v[13];
    qsizetype pos = 0;
    for (int i = 0; i < 13; ++i) {
        if (!scanInt(text, pos, v[i]))
            return std::nullopt;
        if (pos >= text.size() || text[pos] != ',')
            return std::nullopt;
        ++pos;
    }
    CViewFont f;
    f.height = v[0];
    f.width = v[1];
    f.escapement = v[2];
    f.orientation = v[3];
    f.weight = v[4];
    // The last eight fields are bytes in a logical font.
    f.italic = static_cast<quint8>(v[5]);
    f.underline = static_cast<quint8>(v[6]);
    f.strikeOut = static_cast<quint8>(v[7]);
    f.charSet = static_cast<quint8>(v[8]);
    f.outPrecision = static_cast<quint8>(v[9]);
    f.clipPrecision = static_cast<quint8>(v[10]);
    f.quality = static_cast<quint8>(v[11]);
    f.pitchAndFamily = static_cast<quint8>(v[12]);
    qsizetype end = pos;
    while (end < text.size() && isFaceChar(text[end]))
        ++end;
    f.faceName = text.mid(pos, end - pos);
    return f;
}

QString CViewFont::format() const
{
    return QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,%10,%11,%12,%13,%14")
        .arg(height).arg(width).arg(escapement).arg(orientation).arg(weight)
        .arg(italic).arg(underline).arg(strikeOut).arg(charSet).arg(outPrecision)
        .arg(clipPrecision).arg(quality).arg(pitchAndFamily).arg(faceName);
}

QFont CViewFont::defaultFont()
{
    return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

QFont CViewFont::toFont() const
{
    QFont font = defaultFont();
    if (!faceName.trimmed().isEmpty())
        font.setFamilies(QStringList{faceName});
    if (height < 0)
        font.setPixelSize(static_cast<int>(-height));
    else if (height > 0)
        font.setPixelSize(static_cast<int>(height));   // a cell height: about the pixel size
    if (weight >= 1 && weight <= 1000)
        font.setWeight(static_cast<QFont::Weight>(weight));
    else
        font.setWeight(QFont::Normal);
    font.setItalic(italic != 0);
    font.setUnderline(underline != 0);
    font.setStrikeOut(strikeOut != 0);
    if ((pitchAndFamily & 3) == 1) {
        font.setFixedPitch(true);
        font.setStyleHint(QFont::TypeWriter);
    }
    return font;
}

CViewFont CViewFont::fromFont(const QFont &font, const CViewFont &base)
{
    CViewFont f = base;
    if (font.pixelSize() > 0)
        f.height = -font.pixelSize();
    else
        f.height = -qRound(font.pointSizeF() * 96.0 / 72.0);
    f.weight = font.weight();
    f.italic = font.italic() ? 1 : 0;
    f.underline = font.underline() ? 1 : 0;
    f.strikeOut = font.strikeOut() ? 1 : 0;
    if (font.fixedPitch())
        f.pitchAndFamily = (f.pitchAndFamily & ~3) | 1;
    f.faceName = font.family();
    return f;
}
