#include "CSettings.h"

#include <algorithm>
#include <climits>

namespace {

struct KeyField
{
    const char *key;
    QString CSettings::*text;   // null for the three non-text fields
};

const KeyField kFields[] = {
    {"LOCAL_PERL_EXE", &CSettings::LOCAL_PERL_EXE},
    {"LOCAL_PERL_PRM", &CSettings::LOCAL_PERL_PRM},
    {"REMOTE_PERL_EXE", &CSettings::REMOTE_PERL_EXE},
    {"REMOTE_PERL_PRM", &CSettings::REMOTE_PERL_PRM},
    {"RUN_IN_DOS_WINDOW", &CSettings::RUN_IN_DOS_WINDOW},
    {"FTP_HOST_NAME", &CSettings::FTP_HOST_NAME},
    {"FTP_PORT_NUMBER", nullptr},
    {"FTP_USER_NAME", &CSettings::FTP_USER_NAME},
    {"FTP_USER_PASS", &CSettings::FTP_USER_PASS},
    {"LOCAL_DIRECTORY", &CSettings::LOCAL_DIRECTORY},
    {"REMOTE_DIRECTORY", &CSettings::REMOTE_DIRECTORY},
    {"TAB_EXPAND", &CSettings::TAB_EXPAND},
    {"TAB_SIZE", &CSettings::TAB_SIZE},
    {"INDENT_SIZE", &CSettings::INDENT_SIZE},
    {"VIEW_FONT", &CSettings::VIEW_FONT},
    {"AUTO_INDENT", nullptr},
    {"LOCAL_JAVA_EXE", &CSettings::LOCAL_JAVA_EXE},
    {"LOCAL_JAVA_PRM", &CSettings::LOCAL_JAVA_PRM},
    {"REMOTE_JAVA_EXE", &CSettings::REMOTE_JAVA_EXE},
    {"REMOTE_JAVA_PRM", &CSettings::REMOTE_JAVA_PRM},
    {"LOCAL_JAVAC_EXE", &CSettings::LOCAL_JAVAC_EXE},
    {"LOCAL_JAVAC_PRM", &CSettings::LOCAL_JAVAC_PRM},
    {"REMOTE_JAVAC_EXE", &CSettings::REMOTE_JAVAC_EXE},
    {"REMOTE_JAVAC_PRM", &CSettings::REMOTE_JAVAC_PRM},
    {"SERVER_USER", &CSettings::SERVER_USER},
    {"SERVER_PASS", &CSettings::SERVER_PASS},
    {"SERVER_TYPE", &CSettings::SERVER_TYPE},
    {"SERVER_HOST", &CSettings::SERVER_HOST},
    {"SERVER_PORT_NUMBER", nullptr},
    {"SERVER_CLIENT_EXEPATH", &CSettings::SERVER_CLIENT_EXEPATH},
};

const KeyField *findField(const QString &key)
{
    for (const KeyField &f : kFields) {
        if (key == QLatin1String(f.key))
            return &f;
    }
    return nullptr;
}

QString port(long value)
{
    return QString::asprintf("%05ld", value);
}

} // namespace

const QStringList &CSettings::keys()
{
    static const QStringList list = [] {
        QStringList l;
        for (const KeyField &f : kFields)
            l << QLatin1String(f.key);
        return l;
    }();
    return list;
}

long CSettings::leadingInt(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Counted towards the sign's side, so that LONG_MIN is reachable and a
    // longer number stops at the limit instead of wrapping.
    const long limit = negative ? LONG_MIN : -LONG_MAX;
    long value = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i].unicode() - '0';
        if (value < (limit + digit) / 10)
            return negative ? limit : -limit;
        value = value * 10 - digit;
    }
    return negative ? value : -value;
}

int CSettings::columnCount(const QString &text)
{
    return int(std::clamp(leadingInt(text), 0L, MaxTabSize));
}

bool CSettings::isPort(long value)
{
    return value >= 0 && value <= MaxPort;
}

QString CSettings::fileValue(const QString &key) const
{
    const KeyField *f = findField(key);
    if (!f)
        return {};
    if (f->text) {
        if (key == QLatin1String("RUN_IN_DOS_WINDOW"))
            return runInDosWindow() ? QStringLiteral("Y") : QStringLiteral("N");
        return this->*(f->text);
    }
    if (key == QLatin1String("FTP_PORT_NUMBER"))
        return port(FTP_PORT_NUMBER);
    if (key == QLatin1String("SERVER_PORT_NUMBER"))
        return port(SERVER_PORT_NUMBER);
    return AUTO_INDENT ? QStringLiteral("Y") : QStringLiteral("N");
}

bool CSettings::setFromFile(const QString &key, const QString &value)
{
    const KeyField *f = findField(key);
    if (!f)
        return false;
    if (f->text)
        this->*(f->text) = value;
    else if (key == QLatin1String("FTP_PORT_NUMBER"))
        FTP_PORT_NUMBER = leadingInt(value);
    else if (key == QLatin1String("SERVER_PORT_NUMBER"))
        SERVER_PORT_NUMBER = leadingInt(value);
    else
        AUTO_INDENT = value == QLatin1String("Y") ? 1 : 0;
    return true;
}
