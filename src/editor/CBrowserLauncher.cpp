#include "CBrowserLauncher.h"

#include "app/CInstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

QString CBrowserLauncher::defaultProgram()
{
    return CInstallLayout::ofThisProgram().companion(QStringLiteral("ostrak-browser"));
}

QProcess *CBrowserLauncher::start(const QString &program, const QString &pathName, QObject *parent)
{
    auto *browser = new QProcess(parent);
    browser->setProgram(program);
    browser->setArguments({pathName});
    browser->setStandardInputFile(QProcess::nullDevice());
    browser->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    browser->start();
    if (!browser->waitForStarted(-1)) {
        delete browser;
        return nullptr;
    }
    // A closed browser window ends its process, which then goes too.
    QObject::connect(browser, &QProcess::finished, browser, &QObject::deleteLater);
    return browser;
}

void CBrowserLauncher::stop(QProcess *browser)
{
    if (!browser || browser->state() == QProcess::NotRunning)
        return;
    browser->terminate();
    if (!browser->waitForFinished(3000)) {
        browser->kill();
        browser->waitForFinished(3000);
    }
}
