#include "common/containerbuilder.h"
#include "common/smalldashboard.h"

#include "canvas/viewport.h"
#include "demo/demodashboard.h"
#include "dials/dialpanel.h"
#include "window/form1.h"
#include "window/picturebox.h"

#include <QAction>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;
using namespace testing_support;

namespace {

QStringList listNames(const QListWidget *list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names.append(list->item(i)->text());
    return names;
}

QStringList captions(const QMenu *menu)
{
    QStringList result;
    for (const QAction *a : menu->actions())
        result.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    return result;
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_demo;
    QStringList m_messages;

    std::unique_ptr<Form1> newForm()
    {
        auto form = std::make_unique<Form1>();
        form->showMessage = [this](const QString &, const QString &message) { m_messages.append(message); };
        m_messages.clear();
        return form;
    }

    // A second dashboard: two objects and a plain background.
    QString smallDashboard(const QString &name, const QSize &size = QSize(200, 100))
    {
        return writeSmallDashboard(m_root.filePath(name), size);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_demo = m_root.filePath("demo");
        QVERIFY(writeDemoDashboard(m_demo));
    }

    void startState()
    {
        auto form = newForm();
        QCOMPARE(form->windowTitle(), "Tolvane");
        QCOMPARE(captions(form->mnuFile),
                 QStringList({"&Load SHPI", "Recent &Dashboards", "&Save SHPI Data", "-", "&Extract Masks from SHPI",
                              "&Compile Masks into SHPI", "-", "E&xit"}));
        QCOMPARE(captions(form->mnuEdit), QStringList({"&Undo", "&Redo", "-", "&Objects", "&Dials"}));
        QVERIFY(!form->mnuUndo->isEnabled());
        QVERIFY(!form->mnuRedo->isEnabled());
        QCOMPARE(form->mnuUndo->shortcut(), QKeySequence(QKeySequence::Undo));
        QCOMPARE(form->mnuRedo->shortcut(), QKeySequence(QKeySequence::Redo));
        QVERIFY(form->mnuLoad->isEnabled());
        QVERIFY(!form->mnuSave->isEnabled());
        QVERIFY(!form->mnuExtract->isEnabled());
        QVERIFY(!form->mnuCompile->isEnabled());
        QVERIFY(form->mnuObjs->isChecked());
        QVERIFY(!form->mnuDials->isChecked());
        QVERIFY(form->Frame1->isVisibleTo(form.get()));
        QVERIFY(!form->Frame2->isVisibleTo(form.get()));
        QCOMPARE(form->Frame2->y(), 32);
        QVERIFY(!form->BackG->isVisibleTo(form.get()));
        for (QLineEdit *box : form->Frame2->DialSet)
            QCOMPARE(box->text(), "0");
        QVERIFY(!form->windowIcon().isNull());
    }

    void panelSwitch()
    {
        auto form = newForm();
        QVERIFY(form->openDirectory(m_demo));
        form->ObjList->setCurrentRow(1);
        QVERIFY(form->boundBoxVisible());

        form->mnuDials->trigger();
        QVERIFY(form->mnuDials->isChecked());
        QVERIFY(!form->mnuObjs->isChecked());
        QVERIFY(!form->Frame1->isVisibleTo(form.get()));
        QVERIFY(form->Frame2->isVisibleTo(form.get()));
        QCOMPARE(form->Frame2->y(), 0);
        QVERIFY(!form->boundBoxVisible());
        const QImage withDials = form->BackGSurface.image();
        QVERIFY(withDials != form->BackGSurface.picture().convertToFormat(withDials.format()));

        // The checked panel again: nothing changes, nothing is drawn.
        form->BackGSurface.Line(0, 0, 5, 5, 0xFF00FF);
        const QImage before = form->BackGSurface.image();
        form->mnuDials->trigger();
        QVERIFY(form->mnuDials->isChecked());
        QCOMPARE(form->BackGSurface.image(), before);

        // Back to Objects: the dials stay drawn, the panel stays at 0 from now on.
        form->mnuObjs->trigger();
        QVERIFY(form->mnuObjs->isChecked());
        QVERIFY(!form->mnuDials->isChecked());
        QVERIFY(form->Frame1->isVisibleTo(form.get()));
        QCOMPARE(form->BackGSurface.image(), before);
        form->mnuObjs->trigger();
        QVERIFY(form->mnuObjs->isChecked());
        form->mnuDials->trigger();
        QCOMPARE(form->Frame2->y(), 0);
    }

    void layoutRule_data()
    {
        QTest::addColumn<QSize>("interior");
        QTest::newRow("designed") << QSize(442, 417);
        QTest::newRow("wide") << QSize(1200, 700);
        QTest::newRow("narrower than the side bar") << QSize(60, 200);
    }

    void layoutRule()
    {
        QFETCH(QSize, interior);
        auto form = newForm();
        form->show();
        form->centralWidget()->resize(interior);
        const QSize actual = form->centralWidget()->size();
        QCOMPARE(form->SideBar->width(), 129);
        QCOMPARE(form->Picture4->geometry(),
                 QRect(129, 0, std::max(0, actual.width() - 129), actual.height()));
    }

    void loadShowsTheDashboard()
    {
        auto form = newForm();
        QVERIFY(form->openDirectory(m_demo));
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(listNames(form->ObjList).size(), 6);
        QCOMPARE(listNames(form->ObjList).first(), "0000");
        QVERIFY(form->BackG->isVisibleTo(form.get()));
        QCOMPARE(form->BackGSurface.size(), QSize(640, 480));
        QVERIFY(form->mnuSave->isEnabled() && form->mnuExtract->isEnabled() && form->mnuCompile->isEnabled());
        const DialRecord &dial = form->tables.dialRecord;
        QCOMPARE(form->Frame2->DialSet[1]->text(), QString::number(dial.field(DialField::MphMax)));
        QCOMPARE(form->Frame2->DialSet[14]->text(), QString::number(dial.field(DialField::TachoMinY)));
        const QImage picture = form->BackGSurface.picture();
        const QRgb sample = picture.pixel(dial.field(DialField::ColourX), dial.field(DialField::ColourY));
        QCOMPARE(form->Frame2->swatch(), fromQRgb(sample));
        QCOMPARE(QDir(form->ShpiDirectory), QDir(m_demo));
    }

    void secondLoadReplacesTheList()
    {
        auto form = newForm();
        QVERIFY(form->openDirectory(m_demo));
        form->ObjList->setCurrentRow(2);
        const QString small = smallDashboard("second");
        QVERIFY(form->openDirectory(small));
        QCOMPARE(listNames(form->ObjList), QStringList({"0000", "abcd"}));
        QCOMPARE(form->BackGSurface.size(), QSize(200, 100));
        QVERIFY(!form->boundBoxVisible());
        QCOMPARE(form->ShpiDirectory, small);
    }

    void cancelAndRefusedLoadsChangeNothing_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("cancel") << "";
        QTest::newRow("damaged container") << "container";
        QTest::newRow("missing background") << "background";
    }

    void cancelAndRefusedLoadsChangeNothing()
    {
        QFETCH(QString, damage);
        auto form = newForm();
        QVERIFY(form->openDirectory(m_demo));
        const QString other = smallDashboard("refused-" + damage);
        if (damage == "container")
            writeFile(other + "/SHPI.DAT", readFile(other + "/SHPI.DAT").left(50));
        if (damage == "background")
            QFile::remove(other + "/0000.bmp");
        form->askDirectory = [&] { return damage.isEmpty() ? QString() : other; };
        const QStringList names = listNames(form->ObjList);
        const auto headers = form->tables.objects.headers;
        const DialRecord dial = form->tables.dialRecord;
        const QImage picture = form->BackGSurface.picture();

        form->BackGSurface.Line(300, 300, 350, 350, 0x00FF00);
        form->mnuLoad->trigger();

        QCOMPARE(listNames(form->ObjList), names);
        QCOMPARE(form->tables.objects.headers, headers);
        QCOMPARE(form->tables.dialRecord, dial);
        QCOMPARE(form->BackGSurface.picture(), picture);
        QCOMPARE(QDir(form->ShpiDirectory), QDir(m_demo));
        QCOMPARE(m_messages.size(), damage.isEmpty() ? 0 : 1);
        if (!damage.isEmpty())
            QVERIFY2(m_messages.first().contains(other), qPrintable(m_messages.first()));
        // The drawing is cleared either way.
        QCOMPARE(form->BackGSurface.Point(325, 325), fromQRgb(picture.pixel(325, 325)));
    }

    void scrollRanges_data()
    {
        QTest::addColumn<int>("extra");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("exact fit") << 0 << false;
        QTest::newRow("300 taller") << 300 << true;
    }

    void scrollRanges()
    {
        QFETCH(int, extra);
        QFETCH(bool, enabled);
        auto form = newForm();
        form->show();
        form->centralWidget()->resize(442, 417);
        const int viewHeight = form->Picture4->height() - Viewport::BarThickness;
        QVERIFY(form->openDirectory(smallDashboard(QString("scroll%1").arg(extra), QSize(100, viewHeight + extra))));
        QScrollBar *bar = form->Picture4->VScroll1;
        QCOMPARE(bar->isEnabled(), enabled);
        QCOMPARE(form->Picture4->HScroll1->isEnabled(), false);
        if (enabled) {
            QCOMPARE(bar->minimum(), -extra);
            bar->triggerAction(QAbstractSlider::SliderToMaximum);
            bar->setValue(bar->minimum());
            QCOMPARE(form->BackG->y(), -extra);
            // Growing the window until the dashboard fits puts it back at 0.
            form->centralWidget()->resize(442, 417 + extra);
            QVERIFY(!bar->isEnabled());
        }
        QCOMPARE(form->BackG->y(), 0);
    }

    void extractAndCompileThroughTheMenu()
    {
        const QString dir = m_root.filePath("masks");
        QVERIFY(writeDemoDashboard(dir));
        for (const QString &mask : QDir(dir).entryList({"SHPI*.BMP"}))
            QFile::remove(dir + "/" + mask);
        auto form = newForm();
        QVERIFY(form->openDirectory(dir));
        const QByteArray container = readFile(dir + "/SHPI.DAT");
        const int16_t stored = form->tables.objects.headers[1].XPos;
        form->tables.objects.headers[1].XPos = stored + 5;

        form->mnuExtract->trigger();
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
        QCOMPARE(form->tables.objects.headers[1].XPos, stored);
        QCOMPARE(QDir(dir).entryList({"SHPI*.BMP"}).size(), 6);
        QCOMPARE(form->ObjList->count(), 6);
        QVERIFY(form->BackGSurface.AutoRedraw());

        form->mnuCompile->trigger();
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(readFile(dir + "/SHPI.DAT"), container);

        // A refused compilation reports the file and leaves the container.
        QFile::remove(dir + "/SHPIgear.BMP");
        form->mnuCompile->trigger();
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages.first().contains("SHPIgear.BMP"));
        QCOMPARE(readFile(dir + "/SHPI.DAT"), container);
    }
};

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
