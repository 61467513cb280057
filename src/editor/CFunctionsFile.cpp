#include "CFunctionsFile.h"

#include <QFile>

std::optional<CPerlFunction> CFunctionsFile::parseLine(const QString &line)
{
    const qsizetype c1 = line.indexOf(QLatin1Char(','));
    if (c1 <= 0)
        return std::nullopt;
    const qsizetype c2 = line.indexOf(QLatin1Char(','), c1 + 1);
    CPerlFunction f;
    f.name = line.left(c1);
    if (c2 < 0) {
        f.codeTemplate = line;
    } else {
        f.description = line.mid(c1 + 1, c2 - c1 - 1);
        f.codeTemplate = line.mid(c2 + 1);
    }
    return f;
}

QList<CPerlFunction> CFunctionsFile::parse(const QByteArray &contents)
{
    QList<CPerlFunction> rows;
    qsizetype start = 0;
    while (start < contents.size()) {
        qsizetype end = contents.indexOf('\n', start);
        const qsizetype next = end < 0 ? contents.size() : end + 1;
        if (end < 0)
            end = contents.size();
        qsizetype length = end - start;
        if (length > 0 && contents[start + length - 1] == '\r')
            --length;
        if (auto f = parseLine(QString::fromUtf8(contents.constData() + start, length)))
            rows.append(*f);
        start = next;
    }
    return rows;
}

std::optional<QList<CPerlFunction>> CFunctionsFile::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return parse(contents);
}
