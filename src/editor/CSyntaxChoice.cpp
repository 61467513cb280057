#include "CSyntaxChoice.h"

#include <QFileInfo>

CSyntaxChoice::Language CSyntaxChoice::forFile(const QString &path, QByteArrayView firstLine)
{
    const QString name = QFileInfo(path).fileName();
    if (name.endsWith(QLatin1String(".java")))
        return Java;
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == QLatin1String("htm") || suffix == QLatin1String("html"))
        return Html;
    for (const char *perl : {"pl", "pm", "cgi", "t", "plx"}) {
        if (suffix == QLatin1String(perl))
            return Perl;
    }
    if (firstLine.startsWith("#!") && firstLine.contains(QByteArrayView("perl")))
        return Perl;
    return Plain;
}

QByteArrayView CSyntaxChoice::firstLine(QByteArrayView text)
{
    qsizetype end = 0;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r')
        ++end;
    return text.first(end);
}
