#pragma once

#include "COptionsPage.h"

#include "app/CSettings.h"

class QCheckBox;

// A page for one program that runs locally and on the server: the local
// executable path and parameters with a console-window box, and the
// server's executable path and parameters.
class CProgramPage : public COptionsPage
{
    Q_OBJECT

public:
    struct Layout
    {
        const char *caption;
        const char *localGroup;
        const char *serverGroup;
        int localExeId, localPrmId, checkId, remoteExeId, remotePrmId;
        QString CSettings::*localExe;
        QString CSettings::*localPrm;
        QString CSettings::*remoteExe;
        QString CSettings::*remotePrm;
        bool checkIsSetting;        // the box is RUN_IN_DOS_WINDOW
        bool checkMarksModified;
    };

    explicit CProgramPage(const Layout &layout, QWidget *parent = nullptr);

    void load(const CSettings &settings) override;
    void store(CSettings &settings) const override;

protected:
    void OnInitDialog() override;
    void DoDataExchange(CDataExchange &dx) override;

private:
    const Layout &m_layout;
    QString m_strLocalExe;
    QString m_strLocalPrm;
    int m_bDosWindow = 0;
    QString m_strRemoteExe;
    QString m_strRemotePrm;

    QLineEdit *m_localExe = nullptr;
    QLineEdit *m_localPrm = nullptr;
    QCheckBox *m_dosWindow = nullptr;
    QLineEdit *m_remoteExe = nullptr;
    QLineEdit *m_remotePrm = nullptr;
};
