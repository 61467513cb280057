#include "CConfigFile.h"

#include "CAtomicFile.h"

#include <QFile>

void CConfigFile::parse(const QByteArray &text, CSettings &settings)
{
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (pos < size) {
        qsizetype end = text.indexOf('\n', pos);
        if (end < 0)
            end = size;
        qsizetype lineEnd = end;
        if (lineEnd > pos && end < size && text[lineEnd - 1] == '\r')
            --lineEnd;   // CR LF and a bare LF both end a line
        const QString line = QString::fromUtf8(text.constData() + pos, lineEnd - pos);
        pos = end + 1;

        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;   // no "=": an empty key, which matches nothing
        settings.setFromFile(line.left(eq), line.mid(eq + 1));
    }
}

QByteArray CConfigFile::format(const CSettings &settings)
{
    QByteArray out;
    for (const QString &key : CSettings::keys()) {
        out += key.toUtf8();
        out += '=';
        out += settings.fileValue(key).toUtf8();
        out += "\r\n";
    }
    return out;
}

bool CConfigFile::read(const QString &path, CSettings &settings)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    parse(file.readAll(), settings);
    return true;
}

bool CConfigFile::write(const QString &path, const CSettings &settings, QString *why)
{
    const QString failure = CAtomicFile::write(path, format(settings), 0600);
    if (why)
        *why = failure;
    return failure.isEmpty();
}
