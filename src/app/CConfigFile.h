#pragma once

#include "CSettings.h"

#include <QByteArray>
#include <QString>

// The configuration file: KEY=VALUE lines, the first "=" splitting key from
// value, values kept verbatim, the last of repeated keys winning.
class CConfigFile
{
public:
    // Applies every known key of the text to `settings`.
    static void parse(const QByteArray &text, CSettings &settings);
    // The 30 lines in their fixed order, each ended by CR LF.
    static QByteArray format(const CSettings &settings);

    // False when the file cannot be opened; `settings` is then untouched.
    static bool read(const QString &path, CSettings &settings);
    // Replaces the file atomically with mode 0600 (it holds passwords).
    // Returns false, leaving the old file whole, when that fails, and then
    // tells why in `why` when given.
    static bool write(const QString &path, const CSettings &settings, QString *why = nullptr);
};
