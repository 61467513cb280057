#pragma once

#include "app/CSettings.h"

#include <QObject>

#include <optional>

class CMainFrame;

// Tools > "&Options": runs the Options sheet on a copy of the settings and,
// once a page has been applied, saves the pages' values and reads them back.
// When the file cannot be written the user is told, and the values are kept
// so that the next use of the sheet starts from them.
class COptionsCommands : public QObject
{
    Q_OBJECT

public:
    explicit COptionsCommands(CMainFrame &frame);

    static COptionsCommands *install(CMainFrame &frame);

    void OnToolsOptions();

private:
    CMainFrame &m_frame;
    std::optional<CSettings> m_unsaved;
};
