#include "common/editorparts.h"
#include "common/objectfixture.h"
#include "common/lockholder.h"
#include "common/snapshots.h"

#include "document/dashboarddocument.h"
#include "document/dashboardwatcher.h"

#include <QBuffer>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <filesystem>
#ifdef Q_OS_WIN
#include "common/accesslist.h"
#else
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

using namespace tolvane;
using namespace testing_support;

namespace {

QByteArray bmpBytes(const QImage &picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "BMP");
    return bytes;
}

// Saves as bitmap editors do: a new file, renamed over the old one.
void saveByRename(const QString &directory, const QString &name, const QByteArray &bytes)
{
    const QDir dir(directory);
    QVERIFY(writeFile(dir.filePath("new.tmp"), bytes));
    std::error_code error;
    std::filesystem::rename(QFileInfo(dir.filePath("new.tmp")).filesystemFilePath(),
                            QFileInfo(dir.filePath(name)).filesystemFilePath(), error);
    QVERIFY2(!error, error.message().c_str());
}

// Another program places object 1 at @p position and saves.
void moveElsewhere(const QString &directory, QPoint position)
{
    DashboardDocument other;
    DiscardingPrinter silent;
    QVERIFY(other.load(directory, silent, DashboardDocument::ContainerOnly));
    QVERIFY(other.moveObject(1, position));
    QVERIFY(other.save(silent));
}

QPoint positionOnDisk(const QString &directory)
{
    DashboardDocument reader;
    DiscardingPrinter silent;
    if (!reader.load(directory, silent, DashboardDocument::ContainerOnly))
        return QPoint(-1, -1);
    const ObjectHeader &header = reader.tables().objects.headers[1];
    return QPoint(header.XPos, header.YPos);
}

QPoint positionShown(EditorWindow &form)
{
    const ObjectHeader &header = form.tables().objects.headers[1];
    return QPoint(header.XPos, header.YPos);
}

// Makes @p directory take no new file while its files stay writable, or
// undoes that. False where it cannot be done.
#ifdef Q_OS_WIN
// A denial in the directory's ACL; wine keeps only what a Unix mode can say,
// so a new file is tried to see that the system holds to it.
bool takeNoNewFile(const QString &directory, bool on)
{
    static QHash<QString, QString> before;
    if (!on)
        return before.contains(directory) && setAccessList(directory, before.take(directory));
    const QString list = accessList(directory);
    if (list.isEmpty())
        return false;
    before.insert(directory, list);
    // Everyone may do everything but add a file or a subdirectory here.
    if (!setAccessList(directory, QStringLiteral("D:P(D;;0x6;;;WD)(A;OICI;FA;;;WD)")))
        return false;
    const HANDLE probe = CreateFileW(QDir::toNativeSeparators(directory + QStringLiteral("/probe")).toStdWString().c_str(),
                                     GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
        return true;
    CloseHandle(probe);
    takeNoNewFile(directory, false);
    return false;
}
#else
// The immutable flag as root, whom permissions do not stop, the permissions
// otherwise.
bool takeNoNewFile(const QString &directory, bool on)
{
    if (::geteuid() != 0)
        return QFile::setPermissions(directory, QFile::ReadOwner | QFile::ExeOwner | (on ? QFile::Permissions()
                                                                                           : QFile::WriteOwner));
    const int fd = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
}
#endif

void clickRow(EditorWindow &form, int row)
{
    QListWidget *list = form.objectList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

} // namespace

class TestLiveFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    int m_dashboards = 0;
    const FixtureDashboard m_fixture = FixtureDashboard::standard();

    // The form shown on a fresh copy of the fixture, object 1 clicked.
    std::unique_ptr<EditorWindow> openFixture(QString *directory)
    {
        *directory = m_root.filePath(QString::number(++m_dashboards));
        QDir().mkpath(*directory);
        auto form = std::make_unique<EditorWindow>();
        if (!m_fixture.write(*directory) || (form->show(), !QTest::qWaitForWindowExposed(form.get())) ||
            !form->openDirectory(*directory))
            return nullptr;
        clickRow(*form, 1);
        return form;
    }

private Q_SLOTS:
    void bitmapsSavedElsewhereAreShown()
    {
        QString dir;
        auto form = openFixture(&dir);
        QVERIFY(form);
        QVERIFY(samePixels(form->image(), m_fixture.expected(1)));
        const FixtureObject &object = m_fixture.objects[0];

        // A mask cut short is never shown; once it stays so, the status line
        // says it, once, without a dialog.
        QImage mask = object.mask;
        mask.invertPixels();
        const QByteArray maskBytes = bmpBytes(mask);
        saveByRename(dir, "shpi0001.bmp", maskBytes.left(maskBytes.size() - 10));
        QTRY_VERIFY_WITH_TIMEOUT(form->statusMessage().contains("shpi0001.bmp"),
                                 DashboardWatcher::SettleMs * (DashboardWatcher::ReadAttempts + 5));
        QVERIFY(samePixels(form->image(), m_fixture.expected(1)));
        QVERIFY(form->messages.isEmpty());

        saveByRename(dir, "shpi0001.bmp", maskBytes);
        QTRY_VERIFY(samePixels(form->image(),
                               expectedComposite(m_fixture.background, object.image, mask, object.topLeft())));
        // Read whole again, the mask is no longer said to be cut short.
        QVERIFY2(form->statusMessage().isEmpty(), qPrintable(form->statusMessage()));

        const QImage background = patternPicture(48, 36, 9);
        saveByRename(dir, "0000.bmp", bmpBytes(background));
        QTRY_VERIFY(samePixels(form->image(), expectedComposite(background, object.image, mask, object.topLeft())));
        QVERIFY(form->messages.isEmpty());
    }

    void oneSelectionReachesListDashboardAndWatcher_data()
    {
        QTest::addColumn<bool>("byUndo");
        QTest::newRow("chosen in the document") << false;
        QTest::newRow("an undone move of another object") << true;
    }

    // The document holds the selection; the list, the dashboard and the
    // watcher of the object's files all follow it, whoever chose it.
    void oneSelectionReachesListDashboardAndWatcher()
    {
        QFETCH(bool, byUndo);
        QString dir;
        auto form = openFixture(&dir);
        QVERIFY(form);
        if (byUndo) {
            form->document().moveObject(3, QPoint(31, 26));
            clickRow(*form, 1);
            form->undoStack().undo();
        } else {
            form->document().selectObject(3);
        }
        QCOMPARE(form->objectList()->currentRow(), 3);
        QVERIFY(form->label("objectStatus")->text().startsWith(QStringLiteral("lamp ")));
        QVERIFY(form->outlineVisible());
        QVERIFY(samePixels(form->image(), m_fixture.expected(3)));

        const FixtureObject &lamp = m_fixture.objects[2];
        const QImage artwork = patternPicture(lamp.image.width(), lamp.image.height(), 5);
        // Written in place, which only a watch on the file itself sees.
        QVERIFY(writeFile(QDir(dir).filePath("lamp.BMP"), bmpBytes(artwork)));
        QTRY_VERIFY(samePixels(form->image(),
                               expectedComposite(m_fixture.background, artwork, lamp.mask, lamp.topLeft())));
    }

    void containerChangedElsewhere_data()
    {
        QTest::addColumn<bool>("unsavedEdit");
        QTest::addColumn<bool>("reload");
        QTest::newRow("no unsaved edits: reloaded") << false << true;
        QTest::newRow("unsaved edits kept") << true << false;
        QTest::newRow("unsaved edits given up") << true << true;
    }

    void containerChangedElsewhere()
    {
        QFETCH(bool, unsavedEdit);
        QFETCH(bool, reload);
        QString dir;
        auto form = openFixture(&dir);
        QVERIFY(form);
        int asked = 0;
        QString question;
        form->setReloadPrompt([&](const QString &text) {
            ++asked;
            question = text;
            return reload;
        });
        if (unsavedEdit)
            form->document().moveObject(1, QPoint(5, 5));

        moveElsewhere(dir, QPoint(40, 30));
        const QPoint expected = reload ? QPoint(40, 30) : QPoint(5, 5);
        // What the editor does about the change: the question, or the reload.
        if (unsavedEdit) {
            QTRY_COMPARE(asked, 1);
            QVERIFY2(question.contains("Another program has changed"), qPrintable(question));
        }
        QTRY_COMPARE(positionShown(*form), expected);
        QCOMPARE(asked, unsavedEdit ? 1 : 0);
        QCOMPARE(form->document().isClean(), reload);
        // The selection stays, shown at the new place.
        QCOMPARE(form->objectList()->currentRow(), 1);
        QVERIFY(form->outlineVisible());
        QCOMPARE(form->outline().topLeft().toPoint(), expected - QPoint(4, 3));

        if (!reload)
            return;
        // The editor's own save is no change from elsewhere: nothing is
        // asked or read again, and the undo history stays. A background
        // saved after it is shown once the watcher has taken both changes.
        form->document().moveObject(1, QPoint(7, 8));
        QVERIFY(form->saveDashboard());
        const QImage background = patternPicture(48, 36, 9);
        saveByRename(dir, "0000.bmp", bmpBytes(background));
        QTRY_VERIFY(samePixels(form->document().background(), background));
        // A reload would be asked for through the event loop, after the round.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        QCOMPARE(form->undoStack().count(), 1);
        // F5 over unsaved edits asks first, of them alone: the file is as saved.
        form->document().moveObject(1, QPoint(9, 9));
        QTest::keyClick(form.get(), Qt::Key_F5);
        QCOMPARE(asked, unsavedEdit ? 2 : 1);
        QVERIFY2(question.contains("discards the changes made here") && !question.contains("Another program"),
                 qPrintable(question));
        QCOMPARE(positionShown(*form), QPoint(7, 8));
    }

    // A copy of the same bytes put in place of SHPI.DAT is no change: nothing
    // is asked, and a save goes ahead.
    void aCopyOfTheSameBytesIsNoChange()
    {
        QString dir;
        auto form = openFixture(&dir);
        QVERIFY(form);
        int asked = 0;
        form->setReloadPrompt([&](const QString &) { return ++asked, false; });
        form->setChangedOnDiskPrompt([&] { return ++asked, MainWindow::ChangedOnDiskAnswer::Cancel; });
        form->document().moveObject(1, QPoint(5, 5));
        saveByRename(dir, "SHPI.DAT", readFile(QDir(dir).filePath("SHPI.DAT")));
        // The watcher has taken the copy once it shows a background saved after it.
        const QImage background = patternPicture(48, 36, 9);
        saveByRename(dir, "0000.bmp", bmpBytes(background));
        QTRY_VERIFY(samePixels(form->document().background(), background));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        QVERIFY(form->saveDashboard());
        QCOMPARE(asked, 0);
        QCOMPARE(positionOnDisk(dir), QPoint(5, 5));
    }

    void reclickAfterDials()
    {
        QString dir;
        auto form = openFixture(&dir);
        QVERIFY(form);
        form->action("dials")->trigger();
        form->action("objects")->trigger();
        QVERIFY(!form->outlineVisible());

        clickRow(*form, 1);
        QVERIFY(form->outlineVisible());
        QVERIFY(samePixels(form->image(), m_fixture.expected(1)));
        // And it can be dragged again.
        const QPointF grip = form->outline().center();
        sendMouse(form->dashboard(), QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
        sendMouse(form->dashboard(), QEvent::MouseMove, grip + QPointF(3, 2), Qt::NoButton, Qt::LeftButton);
        sendMouse(form->dashboard(), QEvent::MouseButtonRelease, grip + QPointF(3, 2), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(positionShown(*form), QPoint(23, 16));
    }

    void saveOverChangedFile_data()
    {
        QTest::addColumn<MainWindow::ChangedOnDiskAnswer>("answer");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QPoint>("onDisk");
        QTest::addColumn<QPoint>("shown");
        QTest::newRow("reload") << MainWindow::ChangedOnDiskAnswer::Reload << false << QPoint(40, 30) << QPoint(40, 30);
        QTest::newRow("overwrite") << MainWindow::ChangedOnDiskAnswer::Overwrite << true << QPoint(5, 5)
                                   << QPoint(5, 5);
        QTest::newRow("cancel") << MainWindow::ChangedOnDiskAnswer::Cancel << false << QPoint(40, 30)
                                << QPoint(5, 5);
    }

    void saveOverChangedFile()
    {
        QFETCH(MainWindow::ChangedOnDiskAnswer, answer);
        QFETCH(bool, saved);
        QFETCH(QPoint, onDisk);
        QFETCH(QPoint, shown);
        QString dir;
        auto form = openFixture(&dir);
        QVERIFY(form);
        int asked = 0;
        form->setChangedOnDiskPrompt([&] {
            ++asked;
            return answer;
        });
        form->document().moveObject(1, QPoint(5, 5));
        moveElsewhere(dir, QPoint(40, 30));

        QCOMPARE(form->saveDashboard(), saved);
        QCOMPARE(asked, 1);
        QCOMPARE(positionOnDisk(dir), onDisk);
        QCOMPARE(positionShown(*form), shown);
        QCOMPARE(form->document().isClean(), answer != MainWindow::ChangedOnDiskAnswer::Cancel);
        QVERIFY(form->messages.isEmpty());
    }

    void aWriteWaitingForAnotherProgramCanBeCancelled_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("save") << QStringLiteral("save");
        QTest::newRow("extract") << QStringLiteral("extract");
    }

    // While another program writes the dashboard, a write waits with the
    // window painted, names that program and can be cancelled.
    void aWriteWaitingForAnotherProgramCanBeCancelled()
    {
        QFETCH(QString, command);
        QString dir;
        auto form = openFixture(&dir);
        QVERIFY(form);
        form->setSaveChangesPrompt([] { return QMessageBox::Discard; });
        form->document().moveObject(1, QPoint(5, 5));
        LockHolder holder(dir);
        QVERIFY(holder.held());
        const QStringList before = directorySnapshot(dir);

        QString shown;
        bool onlyCancel = false;
        QTimer::singleShot(0, form.get(), [&] {
            shown = form->label("lockWaitText")->text();
            onlyCancel = form->button("cancelLockWait")->isVisible() && !form->centralWidget()->isEnabled();
            QTest::mouseClick(form->button("cancelLockWait"), Qt::LeftButton);
        });
        form->action(qPrintable(command))->trigger();

        QVERIFY2(shown.contains(QStringLiteral("%1 (process %2)").arg(LockHolder::program()).arg(holder.pid())),
                 qPrintable(shown));
        QVERIFY(onlyCancel);
        QCOMPARE(directorySnapshot(dir), before);
        QVERIFY(!form->document().isClean());
        QVERIFY(form->statusMessage().contains(QStringLiteral("cancelled")));
        QVERIFY(form->centralWidget()->isEnabled());
        QVERIFY(form->messages.isEmpty());
    }

    // The wait ends when the other program lets go, and the write is made.
    void aWriteWaitingForAnotherProgramGoesOnWhenItEnds()
    {
        QString dir;
        auto form = openFixture(&dir);
        QVERIFY(form);
        form->document().moveObject(1, QPoint(5, 5));
        LockHolder holder(dir);
        QVERIFY(holder.held());
        bool waited = false;
        QTimer::singleShot(0, form.get(), [&] {
            waited = form->button("cancelLockWait")->isVisible();
            holder.release();
        });
        QVERIFY(form->saveDashboard());
        QVERIFY(waited);
        QCOMPARE(positionOnDisk(dir), QPoint(5, 5));
        QVERIFY(form->document().isClean());
    }

    // Where a file can only be written in place, the editor asks once, before
    // writing anything: No writes nothing, Yes writes in place.
    void aWriteInPlaceIsAskedFirst_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("save") << "save";
        QTest::newRow("compile") << "compile";
        QTest::newRow("extract") << "extract";
    }

    void aWriteInPlaceIsAskedFirst()
    {
        QFETCH(QString, command);
        QString dir;
        auto form = openFixture(&dir);
        QVERIFY(form);
        // Every mask file exists already: the directory takes no new one.
        form->action("extract")->trigger();
        QVERIFY2(form->messages.isEmpty(), qPrintable(form->messages.join('\n')));
        const bool moves = command != QLatin1String("extract");
        if (moves)
            form->document().moveObject(1, QPoint(5, 5));
        if (!takeNoNewFile(dir, true))
            QSKIP("the directory cannot be kept from taking new files here");
        const auto restore = qScopeGuard([&] { takeNoNewFile(dir, false); });
        const QStringList before = directorySnapshot(dir);
        QStringList asked;
        bool answer = false;
        form->setInPlacePrompt([&](const QString &refusal) {
            asked.append(refusal);
            return answer;
        });

        form->action(qPrintable(command))->trigger();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked.first().startsWith(QDir::toNativeSeparators(dir) + QLatin1Char('/')) &&
                     asked.first().endsWith(QStringLiteral(": can only be written in place: its directory takes no "
                                                           "new file")),
                 qPrintable(asked.first()));
        QCOMPARE(directorySnapshot(dir), before);

        answer = true;
        form->action(qPrintable(command))->trigger();
        QCOMPARE(asked.size(), 2);
        if (moves)
            QCOMPARE(positionOnDisk(dir), QPoint(5, 5));
        QVERIFY2(form->statusMessage().contains(QStringLiteral("not atomic")),
                 qPrintable(form->statusMessage()));
        QVERIFY2(form->messages.isEmpty(), qPrintable(form->messages.join('\n')));
    }
};

QTEST_MAIN(TestLiveFiles)
#include "test_livefiles.moc"
