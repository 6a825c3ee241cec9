#include "dialogs/editor/loaddialog.h"

#include <QApplication>
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

#include <memory>

using namespace tolvane;

namespace {

using Tree = QMap<QString, QStringList>; // directory below the base -> files in it

// A dialog over a directory tree made for the test.
struct Fixture
{
    QTemporaryDir root;
    QString base;
    std::unique_ptr<LoadDialog> dialog;

    Fixture(const Tree &tree, const QString &start = QString())
        : base(QDir(root.path()).canonicalPath())
    {
        for (auto it = tree.begin(); it != tree.end(); ++it) {
            QDir(base).mkpath(it.key());
            for (const QString &name : it.value()) {
                QFile file(path(it.key() + QLatin1Char('/') + name));
                if (!file.open(QIODevice::WriteOnly))
                    qFatal("cannot write %s", qPrintable(file.fileName()));
            }
        }
        dialog = std::make_unique<LoadDialog>(path(start));
    }

    QString path(const QString &below) const { return below.isEmpty() ? base : base + QLatin1Char('/') + below; }

    template<typename T> T *control(const char *name) const { return dialog->findChild<T *>(QLatin1String(name)); }
    QTreeWidget *directoryList() const { return control<QTreeWidget>("directoryList"); }
    QListWidget *fileList() const { return control<QListWidget>("fileList"); }
    QComboBox *driveList() const { return control<QComboBox>("driveList"); }
    QPushButton *ok() const { return control<QPushButton>("ok"); }

    QStringList files() const
    {
        QStringList names;
        for (int row = 0; row < fileList()->count(); ++row)
            names.append(fileList()->item(row)->text());
        return names;
    }

    QTreeWidgetItem *entry(const QString &name) const
    {
        const auto found = directoryList()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        return found.size() == 1 ? found.first() : nullptr;
    }

    // The user's way to open a directory: a double-click on its entry.
    bool open(const QString &name)
    {
        QTreeWidgetItem *item = entry(name);
        if (!dialog->isVisible())
            dialog->open();
        if (!item || !QTest::qWaitForWindowExposed(dialog.get()))
            return false;
        directoryList()->scrollToItem(item);
        const QPoint centre = directoryList()->visualItemRect(item).center();
        // QTest sends the double-click alone; a view wants the press before it.
        QTest::mouseClick(directoryList()->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(directoryList()->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseRelease(directoryList()->viewport(), Qt::LeftButton, {}, centre);
        return true;
    }
};

} // namespace

class TestLoadDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void opensWithOkForItsDirectory_data();
    void opensWithOkForItsDirectory();
    void doubleClickOnContainerIsOk();
    void fileListShowsOnlyContainer();
    void okFollowsContainer_data();
    void okFollowsContainer();
    void okDisabledAgainAfterContainerDirectory();
    void directoryPath();
    void directoryListShowsAncestorsAndSubdirectories();
    void pickingDriveMovesBothLists();
    void driveNotReadyIsReported();
    void result_data();
    void result();
    void enterOnDirectoryOpensItOnly();
    void unreadableDirectoryIsReported_data();
    void unreadableDirectoryIsReported();
    void growsToALargeFont();
};

void TestLoadDialog::opensWithOkForItsDirectory_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("dashboard") << "dash" << true;
    QTest::newRow("container in lower case") << "lower" << true;
    QTest::newRow("other folder") << "bare" << false;
}

void TestLoadDialog::opensWithOkForItsDirectory()
{
    QFETCH(QString, start);
    QFETCH(bool, enabled);
    Fixture f({{"dash", {"SHPI.DAT"}}, {"lower", {"shpi.dat"}}, {"bare", {"0000.bmp"}}}, start);
    QCOMPARE(f.dialog->windowTitle(), QStringLiteral("Load SHPI"));
    QVERIFY(f.dialog->isModal());
    QCOMPARE(f.driveList()->currentData().toString(), QDir::cleanPath(QStorageInfo(f.base).rootPath()));

    // Listed at once, and confirmable at once.
    QCOMPARE(f.files().size(), enabled ? 1 : 0);
    QCOMPARE(f.ok()->isEnabled(), enabled);
}

void TestLoadDialog::doubleClickOnContainerIsOk()
{
    Fixture f({{"dash", {"SHPI.DAT"}}}, "dash");
    f.dialog->open();
    QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));
    const QPoint centre = f.fileList()->visualItemRect(f.fileList()->item(0)).center();
    // QTest sends the double-click alone; a view wants the press before it.
    QTest::mouseClick(f.fileList()->viewport(), Qt::LeftButton, {}, centre);
    QVERIFY(f.dialog->isVisible());
    QSignalSpy accepted(f.dialog.get(), &QDialog::accepted);
    QTest::mouseDClick(f.fileList()->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(accepted.size(), 1);
    QCOMPARE(f.dialog->directoryPath(), f.path("dash"));
    QVERIFY(!f.dialog->isVisible());
}

void TestLoadDialog::fileListShowsOnlyContainer()
{
    Fixture f({{"dash", {"Shpi.Dat", "0000.bmp", "SHPI.DAT.bak", "SHPI0000.BMP", "readme.txt"}}}, "dash");
    QCOMPARE(f.files(), QStringList{"Shpi.Dat"});
}

void TestLoadDialog::okFollowsContainer_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("upper case") << QStringList{"SHPI.DAT", "0000.bmp"} << true;
    QTest::newRow("lower case only") << QStringList{"shpi.dat"} << true;
    QTest::newRow("mixed case") << QStringList{"sHpI.dAt", "readme.txt"} << true;
    QTest::newRow("no container") << QStringList{"0000.bmp", "SHPI0000.BMP"} << false;
    QTest::newRow("longer names") << QStringList{"SHPI.DAT.bak", "xSHPI.DAT"} << false;
    QTest::newRow("shorter name") << QStringList{"SHPI.DA"} << false;
    QTest::newRow("empty directory") << QStringList{} << false;
}

void TestLoadDialog::okFollowsContainer()
{
    QFETCH(QStringList, files);
    QFETCH(bool, enabled);
    Fixture f({{"dash", files}});
    QVERIFY(f.open("dash"));
    QCOMPARE(f.dialog->directoryPath(), f.path("dash"));
    QCOMPARE(f.ok()->isEnabled(), enabled);
}

void TestLoadDialog::okDisabledAgainAfterContainerDirectory()
{
    Fixture f({{"dash", {"shpi.dat"}}, {"dash/art", {"0000.bmp"}}, {"empty/SHPI.DAT", {}}});
    QVERIFY(f.open("dash"));
    QVERIFY(f.ok()->isEnabled());
    QVERIFY(f.open("art"));
    QVERIFY(!f.ok()->isEnabled());
    QVERIFY(f.open("dash")); // back up through an ancestor
    QVERIFY(f.ok()->isEnabled());
    QVERIFY(f.open(QDir(f.base).dirName()));
    QVERIFY(f.open("empty")); // a directory named like the container is none
    QVERIFY(!f.ok()->isEnabled());
}

void TestLoadDialog::directoryPath()
{
    Fixture f({{"dash", {}}}, "dash/");
    QCOMPARE(f.dialog->directoryPath(), f.path("dash"));
    QCOMPARE(LoadDialog(f.path("dash/../dash")).directoryPath(), f.path("dash"));
    QCOMPARE(LoadDialog(QDir::rootPath()).directoryPath(), QDir::rootPath());
    // A start place that has gone opens on the nearest directory that is left.
    QCOMPARE(LoadDialog(f.path("gone/deeper")).directoryPath(), f.base);
}

void TestLoadDialog::directoryListShowsAncestorsAndSubdirectories()
{
    Fixture f({{"a/b/Zeta", {}}, {"a/b/alpha", {}}, {"a/b/.wine", {}}, {"a/b/c", {"file"}}, {"a/sibling", {}}},
              "a/b");
    // One chain from the root down to the current directory, then its subdirectories.
    QCOMPARE(f.directoryList()->topLevelItemCount(), 1);
    QStringList chain;
    for (QTreeWidgetItem *item = f.directoryList()->topLevelItem(0); item; item = item->child(0)) {
        chain.append(item->text(0));
        if (item == f.directoryList()->currentItem())
            break;
    }
    QCOMPARE(chain.mid(chain.size() - 2), (QStringList{"a", "b"}));
    QCOMPARE(chain.size(), f.path("a/b").count(QLatin1Char('/')) + 1);
    QTreeWidgetItem *current = f.directoryList()->currentItem();
    QStringList children;
    for (int i = 0; i < current->childCount(); ++i)
        children.append(current->child(i)->text(0));
    QCOMPARE(children, (QStringList{".wine", "alpha", "c", "Zeta"}));
    QVERIFY(!f.entry("sibling"));
}

// The machine's drives are not the test's to browse; added entries stand in
// for them with roots the test controls.
void TestLoadDialog::pickingDriveMovesBothLists()
{
    Fixture f({{"dash", {}}, {"full", {"shpi.dat"}}, {"bare", {"0000.bmp"}}}, "dash");
    f.driveList()->addItem("full", f.path("full"));
    f.driveList()->addItem("bare", f.path("bare"));

    f.driveList()->setCurrentIndex(f.driveList()->findText("full"));
    QCOMPARE(f.dialog->directoryPath(), f.path("full"));
    QCOMPARE(f.files(), QStringList{"shpi.dat"});
    QVERIFY(f.ok()->isEnabled());

    f.driveList()->setCurrentIndex(f.driveList()->findText("bare"));
    QCOMPARE(f.dialog->directoryPath(), f.path("bare"));
    QVERIFY(f.files().isEmpty());
    QVERIFY(!f.ok()->isEnabled());
}

void TestLoadDialog::driveNotReadyIsReported()
{
    Fixture f({{"dash", {"SHPI.DAT"}}}, "dash");
    const int before = f.driveList()->currentIndex();
    f.driveList()->addItem("empty drive", f.path("no medium"));
    QSignalSpy failures(f.dialog.get(), &LoadDialog::readFailed);

    f.driveList()->setCurrentIndex(f.driveList()->count() - 1);
    QCOMPARE(failures.size(), 1);
    QVERIFY(failures.first().first().toString().contains(QDir::toNativeSeparators(f.path("no medium"))));
    QCOMPARE(f.driveList()->currentIndex(), before);
    QCOMPARE(f.dialog->directoryPath(), f.path("dash"));
    QCOMPARE(f.files(), QStringList{"SHPI.DAT"});
}

void TestLoadDialog::result_data()
{
    QTest::addColumn<bool>("okEnabled");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QList<int>>("results"); // of finished(): none while it stays open
    QTest::newRow("OK") << true << "OK" << QList<int>{QDialog::Accepted};
    QTest::newRow("Enter") << true << "Enter" << QList<int>{QDialog::Accepted};
    QTest::newRow("Enter, OK disabled") << false << "Enter" << QList<int>{};
    QTest::newRow("Cancel") << true << "Cancel" << QList<int>{QDialog::Rejected};
    QTest::newRow("Esc") << true << "Esc" << QList<int>{QDialog::Rejected};
    QTest::newRow("close button") << true << "close" << QList<int>{QDialog::Rejected};
}

void TestLoadDialog::result()
{
    QFETCH(bool, okEnabled);
    QFETCH(QString, action);
    QFETCH(QList<int>, results);
    Fixture f({{"dash", {"SHPI.DAT"}}, {"bare", {}}});
    QVERIFY(f.open(okEnabled ? "dash" : "bare"));
    QCOMPARE(f.ok()->isEnabled(), okEnabled);
    f.fileList()->setFocus();
    QSignalSpy finished(f.dialog.get(), &QDialog::finished);

    if (action == "OK")
        QTest::mouseClick(f.ok(), Qt::LeftButton);
    else if (action == "Cancel")
        QTest::mouseClick(f.control<QPushButton>("cancel"), Qt::LeftButton);
    else if (action == "close")
        f.dialog->close();
    else
        QTest::keyClick(f.fileList(), action == "Esc" ? Qt::Key_Escape : Qt::Key_Return);

    QList<int> given;
    for (const QList<QVariant> &signal : finished)
        given.append(signal.first().toInt());
    QCOMPARE(given, results);
    QCOMPARE(f.dialog->isVisible(), results.isEmpty());
    if (!results.isEmpty())
        QCOMPARE(f.dialog->result(), results.first());
    if (results == QList<int>{QDialog::Accepted})
        QCOMPARE(f.dialog->directoryPath(), f.path("dash"));
}

void TestLoadDialog::enterOnDirectoryOpensItOnly()
{
    Fixture f({{"dash", {"SHPI.DAT"}}});
    f.dialog->open();
    f.directoryList()->setFocus();

    // Enter on a subdirectory opens it, and does not also press OK, which
    // that very change has just enabled.
    f.directoryList()->setCurrentItem(f.entry("dash"));
    QTest::keyClick(f.directoryList(), Qt::Key_Return);
    QCOMPARE(f.dialog->directoryPath(), f.path("dash"));
    QVERIFY(f.ok()->isEnabled());
    QVERIFY(f.dialog->isVisible());

    // On the current directory Enter is the dialog's again.
    QSignalSpy accepted(f.dialog.get(), &QDialog::accepted);
    QTest::keyClick(f.directoryList(), Qt::Key_Return);
    QCOMPARE(accepted.size(), 1);
}

void TestLoadDialog::unreadableDirectoryIsReported_data()
{
    QTest::addColumn<bool>("vanish");
    QTest::newRow("removed after listing") << true;
    QTest::newRow("no permission") << false;
}

void TestLoadDialog::unreadableDirectoryIsReported()
{
    QFETCH(bool, vanish);
    Fixture f({{"dash", {"SHPI.DAT"}}, {"bad", {"SHPI.DAT"}}}, "dash");
    QVERIFY(f.open(QDir(f.base).dirName()));
    const QString bad = f.path("bad");
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(bad, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::WriteOwner);
    });
    if (vanish)
        QVERIFY(QDir(bad).removeRecursively());
    else if (!QFile::setPermissions(bad, {}) || QFileInfo(bad).isReadable())
        QSKIP("This user may read any directory, so none can be made unreadable.");
    QSignalSpy failures(f.dialog.get(), &LoadDialog::readFailed);

    QVERIFY(f.open("bad"));
    QCOMPARE(failures.size(), 1);
    const QString message = failures.first().first().toString();
    QVERIFY2(message.contains(QDir::toNativeSeparators(bad)), qPrintable(message));
    QCOMPARE(f.dialog->directoryPath(), f.base);
    QVERIFY(f.entry("bad")); // the list is left as it was
    QVERIFY(!f.ok()->isEnabled());
    QVERIFY(f.dialog->isVisible());

    auto *box = f.dialog->findChild<QMessageBox *>();
    QVERIFY(box && box->isVisible());
    QCOMPARE(box->text(), message);
}

// Laid out for a small font, the dialog grows to a larger one: every caption
// shows whole and no control covers another.
void TestLoadDialog::growsToALargeFont()
{
    const QFont before = QApplication::font();
    const auto restore = qScopeGuard([&] { QApplication::setFont(before); });
    QFont large = before;
    large.setPixelSize(24);
    QApplication::setFont(large);
    Fixture f({{"dash", {"SHPI.DAT"}}}, "dash");
    f.dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));

    const QList<QWidget *> controls{f.control<QLabel>("prompt"), f.fileList(), f.directoryList(), f.driveList(),
                                    f.ok(), f.control<QPushButton>("cancel")};
    for (QWidget *control : controls) {
        QVERIFY2(f.dialog->rect().contains(control->geometry()), control->objectName().toLatin1());
        if (qobject_cast<QLabel *>(control) || qobject_cast<QPushButton *>(control)) {
            QVERIFY2(control->width() >= control->sizeHint().width(), control->objectName().toLatin1());
            QVERIFY2(control->height() >= control->sizeHint().height(), control->objectName().toLatin1());
        }
        for (QWidget *other : controls)
            QVERIFY(other == control || !other->geometry().intersects(control->geometry()));
    }
}

QTEST_MAIN(TestLoadDialog)
#include "test_loaddialog.moc"
