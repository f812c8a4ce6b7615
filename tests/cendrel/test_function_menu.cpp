// The function menu cendrel starts on: only its green button leads on, to
// the converter, and the menu closes behind it.

#include "cendrel_run.h"
#include "screen_driver.h"
#include "window_services.h"

#include <QFontInfo>
#include <QtTest>

using namespace framework;
using namespace testing_support;

namespace {
const QString F1 = cendrel::kStartScreen;
const QString F4 = QStringLiteral("F4");
} // namespace

class FunctionMenuTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CendrelRun> run_;

private slots:
    void initTestCase() { PrepareApplication(); }

    void init() { run_ = std::make_unique<CendrelRun>(F1); }
    void cleanup()
    {
        run_.reset();
        Settle(); // windows unloaded by the last test go now
    }

    void startsOnTheMenuAlone()
    {
        QCOMPARE(run_->nav.ShownScreens(), QStringList{F1});
        ScreenWindow *w = run_->nav.Window(F1);
        QCOMPARE(w->windowTitle(), QStringLiteral("NorvakLED荧光粉技术支持专用软件"));
        QCOMPARE(w->windowType(), Qt::Tool);
        QCOMPARE(w->minimumSize(), QSize(447, 349));
        QCOMPARE(w->maximumSize(), QSize(447, 349));
    }

    void onlyTheGreenButtonLeadsOn()
    {
        MessageCatcher catcher;
        for (int round = 0; round < 2; ++round)
            for (const char *control :
                 {"Picture1", "Picture2", "P1", "Label1", "Label2", "Label3", "Label4"})
                Click(run_->nav, F1, control);
        Settle();
        QVERIFY(catcher.messages.isEmpty());
        QCOMPARE(run_->nav.ShownScreens(), QStringList{F1});
        QCOMPARE(run_->ends, 0);

        Click(run_->nav, F1, "Picture3");
        QCOMPARE(run_->nav.ShownScreens(), QStringList{F4});
        QCOMPARE(run_->nav.Window(F4)->geometry().topLeft(), QPoint(303, 221));
        QVERIFY(run_->nav.Window(F4)->isVisible());
        Settle();
        QVERIFY(!run_->nav.Window(F1));
        QCOMPARE(run_->ends, 0);
        QVERIFY(catcher.messages.isEmpty());

        // F4 is now the only screen: closing it ends the program.
        run_->nav.Window(F4)->close();
        QCOMPARE(run_->ends, 1);
    }

    void closingTheMenuEndsTheProgram()
    {
        run_->nav.Window(F1)->close();
        QCOMPARE(run_->ends, 1);
        QVERIFY(run_->nav.ShownScreens().isEmpty());
    }

    void layoutOfTheMenu_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QRect>("pixels");
        QTest::addColumn<int>("pixelSize"); // 宋体: 14.25 pt is 19 px, 15 pt 20 px
        QTest::addColumn<QSize>("picture");
        QTest::newRow("P1") << "P1" << QRect(0, 0, 449, 105) << 0 << QSize(451, 101);
        QTest::newRow("Label1") << "Label1" << QRect(136, 112, 153, 25) << 19 << QSize();
        QTest::newRow("Picture1") << "Picture1" << QRect(352, 144, 81, 33) << 0 << QSize(72, 30);
        QTest::newRow("Label2") << "Label2" << QRect(0, 152, 305, 25) << 20 << QSize();
        QTest::newRow("Label3") << "Label3" << QRect(0, 200, 297, 25) << 20 << QSize();
        QTest::newRow("Picture2") << "Picture2" << QRect(352, 192, 81, 33) << 0 << QSize(72, 30);
        QTest::newRow("Label4") << "Label4" << QRect(0, 248, 289, 25) << 20 << QSize();
        QTest::newRow("Picture3") << "Picture3" << QRect(352, 240, 81, 33) << 0 << QSize(72, 30);
    }
    void layoutOfTheMenu()
    {
        QFETCH(QString, control);
        QFETCH(QRect, pixels);
        QFETCH(int, pixelSize);
        QFETCH(QSize, picture);
        auto *c = qobject_cast<QLabel *>(run_->nav.Window(F1)->Control(control));
        QVERIFY(c);
        QCOMPARE(c->geometry(), pixels);
        if (picture.isValid()) {
            QCOMPARE(c->pixmap().size(), picture);
        } else {
            const QFontInfo font(c->font());
            QCOMPARE(font.family(), QStringLiteral("AR PL SungtiL GB"));
            QCOMPARE(font.pixelSize(), pixelSize);
            QVERIFY(font.bold());
        }
    }

    void focusRunsOverTheBannerAndTheButtons()
    {
        QCOMPARE(FocusChain(run_->nav.Window(F1), 5),
                 QStringList({"P1", "Picture1", "Picture2", "Picture3", "P1"}));
    }

    void theBannerCoversTheWindowPicture()
    {
        ScreenWindow *w = run_->nav.Window(F1);
        const QImage shot = w->grab().toImage();
        const QImage banner = QImage(":/cendrel/MenuBanner.bmp").convertToFormat(shot.format());
        QVERIFY(!banner.isNull());
        // Where the logo would stand, the window shows the banner.
        QCOMPARE(shot.copy(0, 0, 50, 47), banner.copy(0, 0, 50, 47));
    }
};

QTEST_MAIN(FunctionMenuTest)
#include "test_function_menu.moc"
