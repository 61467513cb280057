#include "CFileChangeBar.h"

#include "COstrakDoc.h"
#include "COstrakView.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

CFileChangeBar::CFileChangeBar(COstrakDoc *doc, QWidget *parent)
    : QFrame(parent)
    , m_doc(doc)
    , m_text(new QLabel(this))
    , m_reload(new QPushButton(QStringLiteral("&Reload"), this))
{
    setObjectName(QStringLiteral("fileChangeBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette look = palette();
    look.setColor(QPalette::Window, QColor(0xFF, 0xF4, 0xCE));
    look.setColor(QPalette::WindowText, QColor(0x2B, 0x2B, 0x2B));
    setPalette(look);
    m_reload->setObjectName(QStringLiteral("reloadButton"));
    auto *keepButton = new QPushButton(QStringLiteral("&Keep"), this);
    keepButton->setObjectName(QStringLiteral("keepButton"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(8, 2, 8, 2);
    row->addWidget(m_text, 1);
    row->addWidget(m_reload);
    row->addWidget(keepButton);
    hide();

    connect(m_reload, &QPushButton::clicked, this, &CFileChangeBar::reload);
    connect(keepButton, &QPushButton::clicked, this, &CFileChangeBar::keep);
    connect(&m_watcher, &CFileChangeWatcher::changed, this, &CFileChangeBar::onChanged);
    const auto track = [this] {
        hide();
        m_watcher.track(m_doc->pathName());
    };
    connect(m_doc, &COstrakDoc::documentReset, this, track);
    connect(m_doc, &COstrakDoc::saved, this, track);
    // Back from another program: the watch may have missed a change (a file
    // system without change events).
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            m_watcher.check();
    });
    track();
}

QString CFileChangeBar::text() const
{
    return m_text->text();
}

void CFileChangeBar::onChanged(bool removed)
{
    const QString name = QFileInfo(m_watcher.path()).fileName();
    m_text->setText(removed ? QStringLiteral("%1 was removed from disk by another program.").arg(name)
                            : QStringLiteral("%1 was changed on disk by another program.").arg(name));
    m_reload->setVisible(!removed);
    show();
}

void CFileChangeBar::keep()
{
    hide();
    m_doc->view()->setFocus();
}

void CFileChangeBar::reload()
{
    const QString path = m_watcher.path();
    if (m_doc->isModified()
        && QMessageBox::question(window(), QStringLiteral("Ostrak"),
                                 QStringLiteral("Discard your changes to %1 and load it as it is on disk?")
                                     .arg(m_doc->title()),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
               != QMessageBox::Yes)
        return;
    COstrakView *view = m_doc->view();
    const long firstVisible = view->SendScintilla(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE);
    const long line = view->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION,
                                          view->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS));
    const QString error = m_doc->OnOpenDocument(path);
    if (!error.isEmpty()) {
        QMessageBox::warning(window(), QStringLiteral("Ostrak"), error);
        return;
    }
    // The user stays where they were in the script.
    view->SendScintilla(QsciScintillaBase::SCI_GOTOLINE, static_cast<unsigned long>(line));
    view->SendScintilla(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(firstVisible));
    view->reportCaretPosition();
    view->setFocus();
}

bool CFileChangeBar::confirmOverwrite(const QString &path)
{
    if (path.isEmpty() || QFileInfo(path).absoluteFilePath() != m_watcher.path() || !m_watcher.changedOnDisk())
        return true;
    return QMessageBox::question(window(), QStringLiteral("Ostrak"),
                                 QStringLiteral("%1 was changed on disk by another program since it was opened "
                                                "or saved.\nOverwrite it with the text in the editor?")
                                     .arg(QFileInfo(path).fileName()),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}
