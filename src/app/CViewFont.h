#pragma once

#include <QFont>
#include <QString>

#include <optional>

// The editor font's 14-field text: 13 integers of a logical font
// (height, width, escapement, orientation, weight, italic, underline,
// strike-out, character set, output, clip and quality precision,
// pitch-and-family) and a face name, separated by single commas.
struct CViewFont
{
    long height = 0;
    long width = 0;
    long escapement = 0;
    long orientation = 0;
    long weight = 0;
    int italic = 0;
    int underline = 0;
    int strikeOut = 0;
    int charSet = 0;
    int outPrecision = 0;
    int clipPrecision = 0;
    int quality = 0;
    int pitchAndFamily = 0;
    QString faceName;

    // Empty when the 13 integers cannot be read. The face name is taken only
    // as far as it is made of ASCII letters and blanks.
    static std::optional<CViewFont> parse(const QString &text);
    QString format() const;

    QFont toFont() const;
    // A description of `font`; fields a QFont has no use for are taken from `base`.
    static CViewFont fromFont(const QFont &font, const CViewFont &base);
    static CViewFont fromFont(const QFont &font) { return fromFont(font, CViewFont{}); }
    // The system's fixed-pitch font, used when the setting is absent or unreadable.
    static QFont defaultFont();

    bool operator==(const CViewFont &) const = default;
};
