#include "CTestEnvironment.h"

#include "app/CAtomicFile.h"
#include "app/CConfigFile.h"
#include "app/COstrakApp.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <unistd.h>

class TestSaveLeftovers : public QObject
{
    Q_OBJECT

private slots:
    void killedSaveIsCleanedUp_data();
    void killedSaveIsCleanedUp();
};

void TestSaveLeftovers::killedSaveIsCleanedUp_data()
{
    QTest::addColumn<QString>("trigger");
    for (const char *trigger : {"open", "save", "download", "settings"})
        QTest::addRow("%s", trigger) << QString::fromLatin1(trigger);
}

void TestSaveLeftovers::killedSaveIsCleanedUp()
{
    QFETCH(QString, trigger);
    CTestEnvironment env;
    const QString name = trigger == QLatin1String("settings") ? QStringLiteral("Ostrak.cfg") : QStringLiteral("big.pl");
    const QString target = env.path(name);
    const QByteArray old = "OSTRAK_TAB_WIDTH=4\r\n";
    CTestEnvironment::writeFile(target, old);

    QProcess saver;
    saver.start(QStringLiteral(INTERRUPTED_SAVE), {target, QStringLiteral("50")});
    QVERIFY2(saver.waitForReadyRead(60000), qPrintable(saver.errorString()));
    const QString leftover = QString::fromLocal8Bit(saver.readLine().trimmed());
    const QString dead = QString::number(saver.processId());
    QCOMPARE(leftover, env.path(QStringLiteral(".%1.ostrak-save-%2-").arg(name, dead)) + leftover.right(6));
    QVERIFY(QFileInfo(leftover).size() >= 25 << 20);
    saver.kill();
    QVERIFY(saver.waitForFinished());

    QProcess other;
    other.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    QVERIFY(other.waitForStarted());
    const QString hidden = QLatin1Char('.') + name + QLatin1String(".ostrak-save-");
    const QString self = QString::number(::getpid());
    // File names beside the target and whether they must survive.
    const QList<std::pair<QString, bool>> files = {
        {leftover.mid(leftover.lastIndexOf(QLatin1Char('/')) + 1), false},
        {hidden + QString::number(other.processId()) + QLatin1String("-Qw3rty"), false},
        {name + QLatin1String(".s5eon9"), true},
        {hidden + self + QLatin1String("-abcdef"), true},
        {hidden + dead + QLatin1String("-abc"), true},
        {hidden + dead + QLatin1String("-abcdef~"), true},
        {hidden + QLatin1String("0") + dead + QLatin1String("-abcdef"), true},
        {QLatin1String(".x") + name + QLatin1String(".ostrak-save-") + dead + QLatin1String("-abcdef"), true},
    };
    for (const auto &[file, kept] : files)
        if (kept)
            CTestEnvironment::writeFile(env.path(file), "user's " + file.toUtf8());
    QDir().mkdir(env.path(hidden + dead + QLatin1String("-folder")));
    QCOMPARE(CTestEnvironment::readFile(target), old);

    COstrakView view;
    COstrakDoc doc(&view, env.app());
    QByteArray expected = old;
    if (trigger == QLatin1String("open")) {
        QCOMPARE(doc.OnOpenDocument(target), QString());
        QCOMPARE(view.bytes(), old);
    } else if (trigger == QLatin1String("save")) {
        QCOMPARE(doc.OnOpenDocument(env.path(QStringLiteral("big.pl.s5eon9"))), QString());
        QCOMPARE(doc.OnSaveDocument(target), QString());
        expected = view.bytes();
    } else if (trigger == QLatin1String("download")) {
        CAtomicFile download(target);
        expected = "downloaded";
        QCOMPARE(download.open(), QString());
        QCOMPARE(download.append(expected), QString());
        QCOMPARE(download.commit(), QString());
    } else {
        QVERIFY(env.app().WriteConfiguration(env.app().settings()));
        expected = CConfigFile::format(env.app().settings());
    }
    other.kill();
    other.waitForFinished();

    QCOMPARE(CTestEnvironment::readFile(target), expected);
    for (const auto &[file, kept] : files) {
        QVERIFY2(QFile::exists(env.path(file)) == kept, qPrintable(file));
        if (kept)
            QCOMPARE(CTestEnvironment::readFile(env.path(file)), "user's " + file.toUtf8());
    }
    QVERIFY(QFileInfo(env.path(hidden + dead + QLatin1String("-folder"))).isDir());
}

QTEST_MAIN(TestSaveLeftovers)
#include "tst_saveleftovers.moc"
