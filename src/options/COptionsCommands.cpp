#include "COptionsCommands.h"

#include "CEditorParams.h"
#include "CFtpParams.h"
#include "CJavaExe.h"
#include "CJavacExe.h"
#include "COptionsPropertySheet.h"
#include "CPerlExeParams.h"
#include "CServerParams.h"
#include "app/CMainFrame.h"
#include "app/COstrakApp.h"
#include "app/CommandIds.h"

#include <QMessageBox>

COptionsCommands::COptionsCommands(CMainFrame &frame)
    : QObject(&frame)
    , m_frame(frame)
{
    setObjectName(QStringLiteral("COptionsCommands"));
}

COptionsCommands *COptionsCommands::install(CMainFrame &frame)
{
    auto *commands = new COptionsCommands(frame);
    frame.setHandler(ID_TOOLS_OPTIONS, [commands] { commands->OnToolsOptions(); });
    return commands;
}

void COptionsCommands::OnToolsOptions()
{
    COstrakApp &app = m_frame.app();
    const CSettings start = m_unsaved.value_or(app.settings());

    COptionsPropertySheet sheet(&m_frame);
    auto *editor = new CEditorParams(app.editorFont());
    const QList<COptionsPage *> pages{new CPerlExeParams, new CFtpParams, editor,
                                      new CJavaExe, new CJavacExe, new CServerParams};
    for (COptionsPage *page : pages) {
        page->load(start);
        sheet.AddPage(page);
    }
    sheet.exec();   // OK or Cancel: what counts is whether a page was applied
    if (!sheet.savePending())
        return;

    CSettings values = start;
    for (const COptionsPage *page : pages)
        page->store(values);
    const QString failure = app.saveSettings(values);
    if (failure.isEmpty()) {
        m_unsaved.reset();
    } else {
        m_unsaved = values;
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Ostrak"),
                        QStringLiteral("Could not write ") + app.configPath() + QStringLiteral(" (") + failure
                            + QStringLiteral(")"),
                        QMessageBox::Ok, &m_frame);
        box.exec();
    }
    if (editor->appliedFont())
        app.setEditorFont(*editor->appliedFont());
}
