#pragma once

#include <QString>
#include <QStringList>

// Where the program's companions (korbu, ostrak-browser) and data files
// (OSTRAK.FNL, OstrakPerl/, the default Ostrak.cfg) lie. The executable's own
// folder comes first, which is how the build tree is laid out; then the
// installed layout next to it (../lib/ostrak, ../share/ostrak), so that a
// copied or staged installation finds its own files; last the folders of the
// prefix the program was built for.
class CInstallLayout
{
public:
    // `withBuiltInPrefix`: also look in the configured installation prefix;
    // a layout on a throw-away folder leaves it out.
    explicit CInstallLayout(const QString &programDir, bool withBuiltInPrefix = true);
    // The layout of the running executable.
    static CInstallLayout ofThisProgram();

    QString programDir() const { return m_programDir; }

    // The folders searched for companions and for data, in order.
    QStringList companionDirs() const;
    QStringList dataDirs() const;
    // The installed data folders only (no program folder): where the
    // default settings come from.
    QStringList sharedDataDirs() const;

    // The first executable `name` in the companion folders, then on PATH;
    // the program folder's entry when none exists, so messages name a place.
    QString companion(const QString &name) const;
    // The first existing file or folder `name` in the data folders, else
    // the program folder's entry.
    QString dataFile(const QString &name) const;
    // Empty when no installed folder holds `name`.
    QString sharedDataFile(const QString &name) const;

private:
    // The program folder when asked, the folder `relative` to it, and the
    // built-in `full` one, without repeats.
    QStringList installedDirs(bool withProgramDir, const char *relative, const char *full) const;
    static QString firstExisting(const QStringList &dirs, const QString &name);

    QString m_programDir;
    bool m_withBuiltInPrefix;
};
