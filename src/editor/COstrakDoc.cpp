#include "COstrakDoc.h"

#include "COstrakView.h"
#include "CLineEnds.h"
#include "app/CAtomicFile.h"
#include "app/COstrakApp.h"

#include <QFile>
#include <QFileInfo>

COstrakDoc::COstrakDoc(COstrakView *view, COstrakApp &app, QObject *parent)
    : QObject(parent)
    , m_view(view)
    , m_app(app)
{
    connect(m_view, &QsciScintilla::modificationChanged, this, &COstrakDoc::titleChanged);
}

QString COstrakDoc::title() const
{
    return m_pathName.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_pathName).fileName();
}

bool COstrakDoc::isModified() const
{
    return m_forcedModified || m_view->isModified();
}

void COstrakDoc::setModified(bool modified)
{
    const bool before = isModified();
    m_forcedModified = modified;
    if (!modified)
        m_view->setModified(false);
    if (before != isModified())
        emit titleChanged();
}

void COstrakDoc::setPathName(const QString &path)
{
    m_pathName = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    emit titleChanged();
}

void COstrakDoc::OnNewDocument()
{
    m_view->loadText("#!" + m_app.settings().REMOTE_PERL_EXE.toUtf8() + "\n", QString());
    m_strRemoteDir.clear();
    setPathName(QString());
    setModified(false);
    emit documentReset();
}

QString COstrakDoc::OnOpenDocument(const QString &path)
{
    QFile file(path);
    if (QFileInfo(path).isDir())
        return QStringLiteral("%1 is a folder, not a file.").arg(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot open %1: %2").arg(path, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
    CAtomicFile::removeLeftovers(path);
    m_view->loadText(bytes, QFileInfo(path).absoluteFilePath());
    m_strRemoteDir.clear();
    setPathName(path);
    setModified(false);
    emit documentReset();
    return {};
}

QString COstrakDoc::OnSaveDocument(const QString &path)
{
    const QString error = CAtomicFile::write(path, m_view->bytes());
    if (!error.isEmpty())
        return error;
    setPathName(path);
    setModified(false);
    emit saved();
    return {};
}

void COstrakDoc::loadFromServer(const QByteArray &text, const QString &path, const QString &remoteDir)
{
    m_view->setBytes(text);
    setPathName(path);
    setModified(true);
    m_strRemoteDir = remoteDir;
    emit documentReset();
}

void COstrakDoc::replaceWholeText(const QByteArray &bytes)
{
    // One undoable step, and modified even when the bytes did not change.
    m_view->setBytes(bytes, false);
    setModified(true);
}

void COstrakDoc::convertToDos()
{
    replaceWholeText(CLineEnds::toDos(m_view->bytes()));
}

void COstrakDoc::convertToUnix()
{
    replaceWholeText(CLineEnds::toUnix(m_view->bytes()));
}
