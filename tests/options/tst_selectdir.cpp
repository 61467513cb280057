#include "options/CSelectDirDlg.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

// The directory chooser on a temporary tree: a/b/c, a/x, ab/cd and d.
class tst_SelectDir : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;

    QString full(const QString &relative) const { return relative.isEmpty() ? QString() : m_tmp.filePath(relative); }
    // The tree item of an absolute path, or null when it is not in the tree.
    static QTreeWidgetItem *itemOf(QTreeWidget *tree, const QString &path)
    {
        QTreeWidgetItem *item = tree->topLevelItem(0);
        for (const QString &name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            QTreeWidgetItem *next = nullptr;
            for (int i = 0; item && i < item->childCount() && !next; ++i) {
                if (item->child(i)->text(0) == name)
                    next = item->child(i);
            }
            item = next;
        }
        return item;
    }

private slots:
    void initTestCase()
    {
        for (const char *d : {"a/b/c", "a/x", "ab/cd", "d"})
            QVERIFY(QDir(m_tmp.path()).mkpath(QLatin1String(d)));
    }

    void openedAlongDirectoryText_data()
    {
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QStringList>("opened");
        QTest::addColumn<QStringList>("closed");
        QTest::newRow("chain opened") << "a/b/c" << "a/b/c" << QStringList{"a", "a/b"} << QStringList{"a/x", "ab", "d"};
        QTest::newRow("case difference opens nothing") << "A/b/c" << "" << QStringList{} << QStringList{"a", "ab", "d"};
        QTest::newRow("a folder whose path lies within the text")
            << "ab/cd" << "ab/cd" << QStringList{"a", "ab"} << QStringList{"a/b", "d"};
    }
    void openedAlongDirectoryText()
    {
        QFETCH(QString, directory);
        QFETCH(QString, selected);
        QFETCH(QStringList, opened);
        QFETCH(QStringList, closed);
        CSelectDirDlg dialog;
        dialog.setDriveRoots({QStringLiteral("/")});
        dialog.setDirectory(full(directory));
        dialog.OnInitDialog();
        QTreeWidget *tree = dialog.tree();
        QCOMPARE(dialog.drives()->currentText(), QStringLiteral("/"));
        QCOMPARE(tree->currentItem(), selected.isEmpty() ? nullptr : itemOf(tree, full(selected)));
        for (const QString &path : opened) {
            QTreeWidgetItem *item = itemOf(tree, full(path));
            QVERIFY2(item && item->isExpanded() && item->childCount() > 0, qPrintable(path));
        }
        for (const QString &path : closed) {
            QTreeWidgetItem *item = itemOf(tree, full(path));
            QVERIFY2(item && item->childCount() == 0, qPrintable(path));
        }
        QCOMPARE(dialog.directoryEdit()->text(), full(directory));
    }

    void doubleClickAddsOneLevelEachTime()
    {
        CSelectDirDlg dialog;
        dialog.setDriveRoots({QStringLiteral("/")});
        dialog.setDirectory(full(QStringLiteral("d")));
        dialog.OnInitDialog();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTreeWidget *tree = dialog.tree();
        QTreeWidgetItem *a = itemOf(tree, full(QStringLiteral("a")));
        QVERIFY(a);
        for (int expected : {2, 4}) {
            tree->scrollToItem(a);
            const QPoint at = tree->visualItemRect(a).center();
            QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
            QCOMPARE(a->childCount(), expected);
            QCOMPARE(dialog.directoryEdit()->text(), full(QStringLiteral("a")));
        }
        dialog.directoryEdit()->setText(QStringLiteral("typed/as it stands"));
        dialog.accept();
        QCOMPARE(dialog.directory(), QStringLiteral("typed/as it stands"));
    }
};

QTEST_MAIN(tst_SelectDir)
#include "tst_selectdir.moc"
