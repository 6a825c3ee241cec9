#include "dialogs/loaddialog.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace tolvane;

namespace {

void makeFile(const QString &path)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
}

// A dashboard tree in a temporary directory: subdirectory name -> files in it.
QString makeTree(const QTemporaryDir &root, const QMap<QString, QStringList> &directories)
{
    for (auto it = directories.begin(); it != directories.end(); ++it) {
        QDir(root.path()).mkpath(it.key());
        for (const QString &file : it.value())
            makeFile(root.filePath(it.key() + QLatin1Char('/') + file));
    }
    return QDir(root.path()).canonicalPath();
}

QTreeWidget *dir1(LoadDialog &dialog) { return dialog.findChild<QTreeWidget *>(QStringLiteral("Dir1")); }
QListWidget *file1(LoadDialog &dialog) { return dialog.findChild<QListWidget *>(QStringLiteral("File1")); }
QPushButton *ok(LoadDialog &dialog) { return dialog.findChild<QPushButton *>(QStringLiteral("Command1")); }
QPushButton *cancel(LoadDialog &dialog) { return dialog.findChild<QPushButton *>(QStringLiteral("Command2")); }

QTreeWidgetItem *dirEntry(LoadDialog &dialog, const QString &name)
{
    const auto found = dir1(dialog)->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.size() == 1 ? found.first() : nullptr;
}

// The user's way to open a directory: a double-click on its entry.
bool openEntry(LoadDialog &dialog, const QString &name)
{
    QTreeWidget *tree = dir1(dialog);
    QTreeWidgetItem *item = dirEntry(dialog, name);
    if (!item || !QTest::qWaitForWindowExposed(&dialog))
        return false;
    tree->scrollToItem(item);
    const QPoint centre = tree->visualItemRect(item).center();
    // QTest sends a double-click on its own; a view wants the press before it.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, centre);
    return true;
}

QStringList entries(QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
}

} // namespace

class TestLoadDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layout_data();
    void layout();
    void tabOrder();

    void fileListShowsOnlyContainer();
    void okFollowsContainer_data();
    void okFollowsContainer();
    void okDisabledAgainAfterContainerDirectory();
    void okDisabledAtOpen();

    void directoryPathHasNoTrailingSeparator();
    void directoryListShowsAncestorsAndSubdirectories();
    void driveListShowsDriveOfDirectory();

    void okConfirms();
    void cancelAndClosingCancel_data();
    void cancelAndClosingCancel();
    void enterPressesOkOnlyWhenEnabled();
    void enterOnDirectoryOpensItOnly();

    void vanishedDirectoryIsReported();
    void unreadableDirectoryIsReported();
};

void TestLoadDialog::layout_data()
{
    // Positions of the design, in twips (15 to a pixel).
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("Label1") << "Label1" << QRect(120, 0, 3105, 195);
    QTest::newRow("File1") << "File1" << QRect(120, 240, 2295, 2430);
    QTest::newRow("Dir1") << "Dir1" << QRect(2520, 240, 2295, 2115);
    QTest::newRow("Drive1") << "Drive1" << QRect(2520, 2400, 2295, 315);
    QTest::newRow("BClick") << "BClick" << QRect(120, 2670, 450, 195);
    QTest::newRow("Command1") << "Command1" << QRect(120, 2880, 2295, 375);
    QTest::newRow("Command2") << "Command2" << QRect(2520, 2880, 2295, 375);
}

void TestLoadDialog::layout()
{
    QFETCH(QString, control);
    QFETCH(QRect, twips);
    QTemporaryDir root;
    LoadDialog dialog(root.path());

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Load SHPI"));
    QVERIFY(dialog.isModal());
    QCOMPARE(dialog.size(), QSize(4935 / 15, 3375 / 15));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());

    auto *widget = dialog.findChild<QWidget *>(control);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
}

void TestLoadDialog::tabOrder()
{
    QTemporaryDir root;
    LoadDialog dialog(root.path());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    const QStringList expected{QStringLiteral("File1"), QStringLiteral("Drive1"), QStringLiteral("Dir1"),
                               QStringLiteral("Command1"), QStringLiteral("Command2")};
    ok(dialog)->setEnabled(true); // a disabled button takes no focus
    QCOMPARE(QApplication::focusWidget()->objectName(), expected.first());
    for (qsizetype i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), expected.at(i));
    }
}

void TestLoadDialog::fileListShowsOnlyContainer()
{
    QTemporaryDir root;
    const QString base = makeTree(root, {{QStringLiteral("dash"),
                                          {QStringLiteral("Shpi.Dat"), QStringLiteral("0000.bmp"),
                                           QStringLiteral("SHPI.DAT.bak"), QStringLiteral("SHPI0000.BMP"),
                                           QStringLiteral("readme.txt")}}});
    LoadDialog dialog(base + QStringLiteral("/dash"));
    QCOMPARE(entries(file1(dialog)), QStringList{QStringLiteral("Shpi.Dat")});
}

void TestLoadDialog::okFollowsContainer_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("upper case") << QStringList{"SHPI.DAT", "0000.bmp"} << true;
    QTest::newRow("lower case only") << QStringList{"shpi.dat"} << true;
    QTest::newRow("mixed case") << QStringList{"sHpI.dAt", "readme.txt"} << true;
    QTest::newRow("no container") << QStringList{"0000.bmp", "SHPI0000.BMP"} << false;
    QTest::newRow("longer name") << QStringList{"SHPI.DAT.bak", "xSHPI.DAT"} << false;
    QTest::newRow("shorter name") << QStringList{"SHPI.DA"} << false;
    QTest::newRow("empty directory") << QStringList{} << false;
}

void TestLoadDialog::okFollowsContainer()
{
    QFETCH(QStringList, files);
    QFETCH(bool, enabled);
    QTemporaryDir root;
    const QString base = makeTree(root, {{QStringLiteral("dash"), files}});
    LoadDialog dialog(base);
    dialog.show();

    QVERIFY(openEntry(dialog, QStringLiteral("dash")));
    QCOMPARE(dialog.directoryPath(), base + QStringLiteral("/dash"));
    QCOMPARE(ok(dialog)->isEnabled(), enabled);
}

void TestLoadDialog::okDisabledAgainAfterContainerDirectory()
{
    QTemporaryDir root;
    const QString base = makeTree(root, {{QStringLiteral("dash"), {QStringLiteral("shpi.dat")}},
                                         {QStringLiteral("dash/art"), {QStringLiteral("0000.bmp")}},
                                         {QStringLiteral("empty"), {}}});
    // A directory named like the container is no container.
    QVERIFY(QDir(base).mkdir(QStringLiteral("empty/SHPI.DAT")));
    LoadDialog dialog(base);
    dialog.show();

    QVERIFY(openEntry(dialog, QStringLiteral("dash")));
    QVERIFY(ok(dialog)->isEnabled());
    QVERIFY(openEntry(dialog, QStringLiteral("art")));
    QVERIFY(!ok(dialog)->isEnabled());
    QVERIFY(openEntry(dialog, QStringLiteral("dash"))); // back up through an ancestor
    QVERIFY(ok(dialog)->isEnabled());
    QVERIFY(openEntry(dialog, QDir(base).dirName()));
    QVERIFY(openEntry(dialog, QStringLiteral("empty")));
    QVERIFY(!ok(dialog)->isEnabled());
    QVERIFY(file1(dialog)->count() == 0);
}

void TestLoadDialog::okDisabledAtOpen()
{
    QTemporaryDir root;
    const QString base = makeTree(root, {{QStringLiteral("dash"), {QStringLiteral("SHPI.DAT")}}});
    LoadDialog dialog(base + QStringLiteral("/dash"));
    dialog.show();

    QCOMPARE(entries(file1(dialog)), QStringList{QStringLiteral("SHPI.DAT")});
    QVERIFY(!ok(dialog)->isEnabled());
    QCOMPARE(dialog.bclickCaption(), QStringLiteral("BClick"));

    // Opening the directory already shown is no change either.
    QVERIFY(openEntry(dialog, QStringLiteral("dash")));
    QVERIFY(!ok(dialog)->isEnabled());
}

void TestLoadDialog::directoryPathHasNoTrailingSeparator()
{
    QTemporaryDir root;
    const QString base = makeTree(root, {{QStringLiteral("dash"), {}}});
    QCOMPARE(LoadDialog(base + QStringLiteral("/dash/")).directoryPath(), base + QStringLiteral("/dash"));
    QCOMPARE(LoadDialog(base + QStringLiteral("/dash/../dash")).directoryPath(), base + QStringLiteral("/dash"));
    QCOMPARE(LoadDialog(QDir::rootPath()).directoryPath(), QDir::rootPath());
    // A start place that has gone opens on the nearest directory that is left.
    QCOMPARE(LoadDialog(base + QStringLiteral("/gone/deeper")).directoryPath(), base);
}

void TestLoadDialog::directoryListShowsAncestorsAndSubdirectories()
{
    QTemporaryDir root;
    const QString base = makeTree(root, {{QStringLiteral("a/b/Zeta"), {}},
                                         {QStringLiteral("a/b/alpha"), {}},
                                         {QStringLiteral("a/b/.wine"), {}},
                                         {QStringLiteral("a/b/c"), {}},
                                         {QStringLiteral("a/sibling"), {}}});
    makeFile(base + QStringLiteral("/a/b/file.txt"));
    LoadDialog dialog(base + QStringLiteral("/a/b"));

    // One chain from the root down to the current directory, then its subdirectories.
    QStringList chain;
    QTreeWidgetItem *item = dir1(dialog)->topLevelItem(0);
    QCOMPARE(dir1(dialog)->topLevelItemCount(), 1);
    while (item->childCount() == 1 && item->text(0) != QStringLiteral("b")) {
        chain.append(item->text(0));
        item = item->child(0);
    }
    QCOMPARE(chain.mid(chain.size() - 1), QStringList{QStringLiteral("a")});
    QCOMPARE(item->text(0), QStringLiteral("b"));
    QCOMPARE(dir1(dialog)->currentItem(), item);
    QStringList children;
    for (int i = 0; i < item->childCount(); ++i)
        children.append(item->child(i)->text(0));
    QCOMPARE(children, (QStringList{".wine", "alpha", "c", "Zeta"}));
    QVERIFY(!dirEntry(dialog, QStringLiteral("sibling")));
}

void TestLoadDialog::driveListShowsDriveOfDirectory()
{
    QTemporaryDir root;
    LoadDialog dialog(root.path());
    auto *drive1 = dialog.findChild<QComboBox *>(QStringLiteral("Drive1"));
    QVERIFY(drive1);
    QVERIFY(drive1->count() > 0);
    QCOMPARE(drive1->currentData().toString(), QDir::cleanPath(QStorageInfo(root.path()).rootPath()));
}

void TestLoadDialog::okConfirms()
{
    QTemporaryDir root;
    const QString base = makeTree(root, {{QStringLiteral("dash"), {QStringLiteral("SHPI.DAT")}}});
    LoadDialog dialog(base);
    dialog.open();
    QVERIFY(openEntry(dialog, QStringLiteral("dash")));

    QTest::mouseClick(ok(dialog), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.bclickCaption(), QStringLiteral("1"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.directoryPath(), base + QStringLiteral("/dash"));
}

void TestLoadDialog::cancelAndClosingCancel_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("Cancel") << 0;
    QTest::newRow("Esc") << 1;
    QTest::newRow("close button") << 2;
}

void TestLoadDialog::cancelAndClosingCancel()
{
    QFETCH(int, way);
    QTemporaryDir root;
    const QString base = makeTree(root, {{QStringLiteral("dash"), {QStringLiteral("SHPI.DAT")}}});
    LoadDialog dialog(base);
    dialog.open();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QVERIFY(openEntry(dialog, QStringLiteral("dash")));
    QVERIFY(ok(dialog)->isEnabled());

    switch (way) {
    case 0: QTest::mouseClick(cancel(dialog), Qt::LeftButton); break;
    case 1: QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); break;
    case 2: QVERIFY(dialog.close()); break;
    }
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.bclickCaption(), QStringLiteral("0"));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void TestLoadDialog::enterPressesOkOnlyWhenEnabled()
{
    QTemporaryDir root;
    const QString base = makeTree(root, {{QStringLiteral("dash"), {QStringLiteral("SHPI.DAT")}}});
    LoadDialog dialog(base);
    dialog.open();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    QTest::keyClick(file1(dialog), Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.bclickCaption(), QStringLiteral("BClick"));

    QVERIFY(openEntry(dialog, QStringLiteral("dash")));
    file1(dialog)->setFocus();
    QTest::keyClick(file1(dialog), Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.bclickCaption(), QStringLiteral("1"));
}

void TestLoadDialog::enterOnDirectoryOpensItOnly()
{
    QTemporaryDir root;
    const QString base = makeTree(root, {{QStringLiteral("dash"), {QStringLiteral("SHPI.DAT")}}});
    LoadDialog dialog(base);
    dialog.open();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTreeWidget *tree = dir1(dialog);
    tree->setFocus();

    // Enter on a subdirectory opens it, and does not also press OK, which
    // that very change has just enabled.
    tree->setCurrentItem(dirEntry(dialog, QStringLiteral("dash")));
    QTest::keyClick(tree, Qt::Key_Return);
    QCOMPARE(dialog.directoryPath(), base + QStringLiteral("/dash"));
    QVERIFY(ok(dialog)->isEnabled());
    QVERIFY(dialog.isVisible());

    // On the current directory Enter is the dialog's again.
    QTest::keyClick(tree, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.bclickCaption(), QStringLiteral("1"));
}

void TestLoadDialog::vanishedDirectoryIsReported()
{
    QTemporaryDir root;
    const QString base = makeTree(root, {{QStringLiteral("dash"), {QStringLiteral("SHPI.DAT")}},
                                         {QStringLiteral("gone"), {}}});
    LoadDialog dialog(base + QStringLiteral("/dash"));
    dialog.show();
    QVERIFY(openEntry(dialog, QDir(base).dirName()));
    QVERIFY(!ok(dialog)->isEnabled());
    QSignalSpy failures(&dialog, &LoadDialog::readFailed);

    QVERIFY(QDir(base).rmdir(QStringLiteral("gone")));
    QVERIFY(openEntry(dialog, QStringLiteral("gone")));

    QCOMPARE(failures.size(), 1);
    const QString message = failures.first().first().toString();
    QVERIFY2(message.contains(QDir::toNativeSeparators(base + QStringLiteral("/gone"))), qPrintable(message));
    QCOMPARE(dialog.directoryPath(), base);
    QVERIFY(dirEntry(dialog, QStringLiteral("gone"))); // the list is left as it was
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.bclickCaption(), QStringLiteral("BClick"));

    auto *box = dialog.findChild<QMessageBox *>();
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QCOMPARE(box->text(), message);
    box->close();
}

void TestLoadDialog::unreadableDirectoryIsReported()
{
    QTemporaryDir root;
    const QString base = makeTree(root, {{QStringLiteral("dash"), {QStringLiteral("SHPI.DAT")}},
                                         {QStringLiteral("locked"), {QStringLiteral("SHPI.DAT")}}});
    const QString locked = base + QStringLiteral("/locked");
    QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
    const auto restore = qScopeGuard([&] { QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner); });
    if (QFileInfo(locked).isReadable())
        QSKIP("This user may read any directory, so none can be made unreadable.");

    LoadDialog dialog(base);
    dialog.show();
    QVERIFY(openEntry(dialog, QStringLiteral("dash")));
    QVERIFY(ok(dialog)->isEnabled());
    QVERIFY(openEntry(dialog, QDir(base).dirName()));
    QSignalSpy failures(&dialog, &LoadDialog::readFailed);

    QVERIFY(openEntry(dialog, QStringLiteral("locked")));
    QCOMPARE(failures.size(), 1);
    QVERIFY(failures.first().first().toString().contains(QDir::toNativeSeparators(locked)));
    QCOMPARE(dialog.directoryPath(), base);
    QVERIFY(!ok(dialog)->isEnabled());
    QVERIFY(dialog.isVisible());
    dialog.findChild<QMessageBox *>()->close();
}

QTEST_MAIN(TestLoadDialog)
#include "test_loaddialog.moc"
