#pragma once

#include <QString>
#include <QStringList>

// The settings record: one field per configuration key. Texts start empty,
// integers at 0; a key missing from the file leaves its field as it was.
struct CSettings
{
    QString LOCAL_PERL_EXE;
    QString LOCAL_PERL_PRM;
    QString REMOTE_PERL_EXE;
    QString REMOTE_PERL_PRM;
    QString RUN_IN_DOS_WINDOW;
    QString FTP_HOST_NAME;
    long FTP_PORT_NUMBER = 0;
    QString FTP_USER_NAME;
    QString FTP_USER_PASS;
    QString LOCAL_DIRECTORY;
    QString REMOTE_DIRECTORY;
    QString TAB_EXPAND;
    QString TAB_SIZE;
    QString INDENT_SIZE;
    QString VIEW_FONT;
    int AUTO_INDENT = 0;
    QString LOCAL_JAVA_EXE;
    QString LOCAL_JAVA_PRM;
    QString REMOTE_JAVA_EXE;
    QString REMOTE_JAVA_PRM;
    QString LOCAL_JAVAC_EXE;
    QString LOCAL_JAVAC_PRM;
    QString REMOTE_JAVAC_EXE;
    QString REMOTE_JAVAC_PRM;
    QString SERVER_USER;
    QString SERVER_PASS;
    QString SERVER_TYPE;
    QString SERVER_HOST;
    long SERVER_PORT_NUMBER = 0;
    QString SERVER_CLIENT_EXEPATH;

    // The 30 keys in the order in which the file is written.
    static const QStringList &keys();

    // Text of a key as the file would hold it ("%05d" ports, "Y"/"N" flags).
    QString fileValue(const QString &key) const;
    // Stores a value read from the file; returns false for an unknown key.
    bool setFromFile(const QString &key, const QString &value);

    bool tabExpand() const { return TAB_EXPAND == QLatin1String("Y"); }
    bool runInDosWindow() const { return RUN_IN_DOS_WINDOW == QLatin1String("Y"); }
    // The largest tab width and indentation step the Options sheet accepts;
    // a larger number read from the file is taken as this one.
    static constexpr long MaxTabSize = 100;
    static constexpr long MaxPort = 65535;
    int tabSize() const { return columnCount(TAB_SIZE); }
    int indentSize() const { return columnCount(INDENT_SIZE); }
    // A size setting as a column count from 0 to MaxTabSize (0 without digits or below 0).
    static int columnCount(const QString &text);
    // A port number a connection can use; the record keeps any number the
    // file holds, and a connection refuses one outside 0 to 65535.
    static bool isPort(long value);

    // Decimal reading of the C runtime's atoi: leading white space, an
    // optional sign, the digits up to the first other character; 0 without
    // digits. A number beyond the range of long stops at its limit.
    static long leadingInt(const QString &text);

    bool operator==(const CSettings &) const = default;
};
