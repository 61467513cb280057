#pragma once

#include "CSettings.h"

#include <QString>
#include <QStringList>

// Which Ostrak.cfg the program reads and writes. The file beside the
// executable when that folder can take it (the build tree, a private
// installation); otherwise the user's own HALDEN/Ostrak.cfg in the user's
// configuration folder, made on first use from the installed defaults.
class CSettingsPlace
{
public:
    static QString fileName() { return QStringLiteral("Ostrak.cfg"); }

    // True when settings may be written into `dir`: this user may create
    // files there, and it is not one of the system's program folders (where
    // even root should leave no settings behind).
    static bool takesSettings(const QString &dir);
    static bool isSystemProgramFolder(const QString &dir);

    // The settings file for a program in `programDir`; `userConfigDir` is
    // the user's configuration folder (~/.config).
    static QString choose(const QString &programDir, const QString &userConfigDir);

    // Makes `userFile` the first time: the first readable file of `sources`
    // in the 30-line form, mode 0600, with bare program names of the local
    // interpreter and compiler settings replaced by their place on
    // `searchPath` (a PATH value; empty when not found). Nothing is done
    // when the file exists or no source can be read. Returns why the file
    // could not be made; empty otherwise.
    static QString seed(const QString &userFile, const QStringList &sources, const QString &searchPath);

    // The settings whose bare names are looked up on PATH.
    static void resolveOnPath(CSettings &settings, const QString &searchPath);
};
