// The converter, driven through its real widgets: type x and y, press
// "计  算", read the result line; the clock; the end of the program.

#include "cendrel_run.h"
#include "converter_screen.h"
#include "screen_driver.h"
#include "window_services.h"

#include "cct_estimator.h"
#include "number_rules.h"

#include <QFontInfo>
#include <QtTest>

using namespace framework;
using namespace testing_support;

namespace {
const QString F4 = cendrel::kConverterScreen;
const QString kMissing = QStringLiteral("请输入色坐标x,y值后再计算");
const QString kKai = QStringLiteral("AR PL KaitiM GB");
const QString kSong = QStringLiteral("AR PL SungtiL GB");
} // namespace

class ConverterScreenTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CendrelRun> run_;

    // What the result line shows: the caption of L5, and whether the number
    // and the "K" are visible.
    struct Display {
        QString number;
        bool numberShown;
        bool unitShown;
        bool operator==(const Display &) const = default;
    };
    Display Result()
    {
        return {Text(run_->nav, F4, "L5"), Shown(run_->nav, F4, "L5"), Shown(run_->nav, F4, "L6")};
    }

    // The result line in words, as a message box sees it behind itself.
    QString Shows()
    {
        const Display d = Result();
        return QStringLiteral("L5 %1, L6 %2, L5 reads \"%3\"")
            .arg(d.numberShown ? "shown" : "hidden", d.unitShown ? "shown" : "hidden", d.number);
    }

    // Types the point and presses "计  算"; returns the messages shown.
    QList<CaughtMessage> Compute(const QString &x, const QString &y)
    {
        Type(run_->nav, F4, "T1", x);
        Type(run_->nav, F4, "T2", y);
        MessageCatcher catcher([this] { return Shows(); });
        Click(run_->nav, F4, "Command1");
        return catcher.messages;
    }

    static void VerifyMissingInputMessage(const QList<CaughtMessage> &messages)
    {
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].title, QStringLiteral("出错"));
        QCOMPARE(messages[0].text, kMissing);
        QCOMPARE(messages[0].icon, QMessageBox::Information);
        QCOMPARE(messages[0].buttonCount, 1);
        QVERIFY(messages[0].hasOk);
        // The old number and the "K" are gone before the message asks for x and y.
        QVERIFY2(messages[0].screen.startsWith("L5 hidden, L6 hidden"),
                 qPrintable("while the message was open: " + messages[0].screen));
    }

private slots:
    void initTestCase() { PrepareApplication(); }

    void init() { run_ = std::make_unique<CendrelRun>(F4); }
    void cleanup()
    {
        run_.reset();
        Settle(); // windows unloaded by the last test go now
    }

    void missingInputHidesTheResultUntilAPointIsComplete()
    {
        QCOMPARE(Result(), (Display{"", true, false}));
        VerifyMissingInputMessage(Compute("", ""));
        QCOMPARE(Shown(run_->nav, F4, "L5"), false);
        QCOMPARE(Shown(run_->nav, F4, "L6"), false);
        // Reading never fills an empty entry.
        QCOMPARE(Text(run_->nav, F4, "T1"), QString());
        QCOMPARE(Text(run_->nav, F4, "T2"), QString());

        QVERIFY(Compute("0.3127", "0.3290").isEmpty());
        QCOMPARE(Result(), (Display{"6506", true, true}));
        QCOMPARE(Text(run_->nav, F4, "L6"), QStringLiteral("K"));
        QCOMPARE(Text(run_->nav, F4, "T1"), QStringLiteral("0.3127"));
        QCOMPARE(Text(run_->nav, F4, "T2"), QStringLiteral("0.3290"));
    }

    void showsTheEstimatedTemperature_data()
    {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<QString>("shown");
        QTest::newRow("warm white") << "0.4476" << "0.4074" << "2768";
        QTest::newRow("slope zero") << "0.329" << "0.5" << "5652";
        QTest::newRow("slope one") << "0.429" << "0.287" << "1855";
        QTest::newRow("above 10^15") << "5" << "0.19" << "3.92876952579192E+15";
    }
    void showsTheEstimatedTemperature()
    {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(QString, shown);
        QVERIFY(Compute(x, y).isEmpty());
        QCOMPARE(Result(), (Display{shown, true, true}));
        // The screen writes exactly what the number rules make of the value.
        QCOMPARE(shown.toStdString(),
                 entry_rules::WholeNumberText(cct_estimator::EstimateCct(x.toDouble(), y.toDouble())));
        // Every digit can be read: the number fits its label on one line.
        auto *result = ControlOf<QLabel>(run_->nav, F4, "L5");
        QVERIFY(QFontMetrics(result->font()).horizontalAdvance(shown) <= result->width());
        QVERIFY(result->font().pixelSize() >= 9);
    }

    void aZeroCoordinateHidesAComputedValue_data()
    {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::newRow("x 0") << "0" << "0.4";
        QTest::newRow("x 0.0") << "0.0" << "0.4";
        QTest::newRow("y -0") << "0.3127" << "-0";
        QTest::newRow("y empty") << "0.3127" << "";
    }
    void aZeroCoordinateHidesAComputedValue()
    {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QVERIFY(Compute("0.3127", "0.3290").isEmpty());
        VerifyMissingInputMessage(Compute(x, y));
        // The value was computed and written before the point was found
        // incomplete; it is only hidden.
        // (QString::toDouble reads the empty text as 0, as the entry does.)
        const QString computed = QString::fromStdString(
            entry_rules::WholeNumberText(cct_estimator::EstimateCct(x.toDouble(), y.toDouble())));
        QCOMPARE(Result(), (Display{computed, false, false}));
        QCOMPARE(Text(run_->nav, F4, "T1"), x);
        QCOMPARE(Text(run_->nav, F4, "T2"), y);
    }

    void aFailureChangesNothing_data()
    {
        QTest::addColumn<QString>("beforeX"); // the point computed first, if any
        QTest::addColumn<QString>("beforeY");
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<QStringList>("told");
        const QStringList divisor{"y", "0.187"};
        const QStringList notANumber{"abc"};
        const QStringList tooLarge{QStringLiteral("数值范围")};
        QTest::newRow("y 0.187 after a result")
            << "0.3127" << "0.3290" << "0.3127" << "0.187" << divisor;
        QTest::newRow("y 0.187 after missing input")
            << "" << "0.4" << "0.329" << "0.187" << divisor;
        QTest::newRow("y 0.187 at first") << "-" << "-" << "" << "0.187" << divisor;
        QTest::newRow("x not a number") << "0.3127" << "0.3290" << "abc" << "0.3290" << notANumber;
        // x alone would make the point missing; y fails the reading first.
        QTest::newRow("y not a number, x empty") << "" << "0.4" << "" << "abc" << notANumber;
        QTest::newRow("slope beyond range")
            << "0.4476" << "0.4074" << "1e300" << "0.1870001" << tooLarge;
    }
    void aFailureChangesNothing()
    {
        QFETCH(QString, beforeX);
        QFETCH(QString, beforeY);
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(QStringList, told);
        if (beforeX != "-")
            Compute(beforeX, beforeY);
        const Display before = Result();

        const QList<CaughtMessage> messages = Compute(x, y);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].title, QStringLiteral("出错"));
        QVERIFY(messages[0].text != kMissing);
        for (const QString &fragment : told)
            QVERIFY2(messages[0].text.contains(fragment), qPrintable(messages[0].text));
        QCOMPARE(Result(), before);
        QCOMPARE(Text(run_->nav, F4, "T1"), x);
        QCOMPARE(Text(run_->nav, F4, "T2"), y);
        QVERIFY(run_->nav.IsShown(F4));
        QCOMPARE(run_->ends, 0);
    }

    void theClockShowsTheTimeOfDayAtEachTick()
    {
        ScreenWindow *w = run_->nav.Window(F4);
        auto *timer = w->findChild<QTimer *>("Timer1");
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 1000);
        QVERIFY(timer->isActive());
        auto *clock = qobject_cast<QLabel *>(w->Control("Label7"));
        QCOMPARE(clock->text(), QString());

        const QString before = TimeOfDayText();
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
        const QString after = TimeOfDayText();
        QVERIFY2(clock->text() == before || clock->text() == after, qPrintable(clock->text()));
        QVERIFY(!clock->text().isEmpty());

        // Every tick writes the time anew, whatever the label held.
        clock->setText("--");
        timer->setInterval(5);
        QTRY_VERIFY(clock->text() != "--");
        QVERIFY(clock->text() == after || clock->text() == TimeOfDayText());

        // The clock keeps ticking around the missing-input message and
        // touches nothing else.
        clock->setText("--");
        VerifyMissingInputMessage(Compute("", ""));
        QTRY_VERIFY(clock->text() != "--");
        QCOMPARE(Result(), (Display{"5822", false, false}));
    }

    void closeEndsTheProgramAtOnce()
    {
        Compute("0.3127", "0.3290");
        Click(run_->nav, F4, "Command2");
        QCOMPARE(run_->ends, 1);
        QVERIFY(run_->nav.ShownScreens().isEmpty());
    }

    void closingTheWindowEndsTheProgram()
    {
        run_->nav.Window(F4)->close();
        QCOMPARE(run_->ends, 1);
        QVERIFY(run_->nav.ShownScreens().isEmpty());
    }

    void windowIsAFixedToolWindowAtItsPlace()
    {
        ScreenWindow *w = run_->nav.Window(F4);
        QCOMPARE(w->windowTitle(), QStringLiteral("cendrel"));
        QCOMPARE(w->windowType(), Qt::Tool);
        QCOMPARE(w->geometry(), QRect(303, 221, 452, 313));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        auto *banner = qobject_cast<QLabel *>(w->Control("Picture1"));
        QCOMPARE(banner->pixmap().size(), QSize(450, 100));
        // Labels take no focus: the chain runs over the banner, the entries
        // and the buttons, starting on the banner.
        QCOMPARE(FocusChain(w, 6),
                 QStringList({"Picture1", "T1", "T2", "Command1", "Command2", "Picture1"}));
        const QString author = Text(run_->nav, F4, "Label6");
        QVERIFY(author.startsWith(QStringLiteral("此软件由NorvakLED荧光粉研发工程师Tavin编写，如有建议请Email:")));
        QVERIFY(author.endsWith(QStringLiteral("tavin@example.com。")));
        QCOMPARE(w->Control("L5")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(w->Control("L6")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(w->Control("Label4")->palette().color(QPalette::WindowText) != QColor(0, 0, 255));
        QCOMPARE(w->Control("T1")->accessibleName(), QStringLiteral("x 坐标输入框"));
        QCOMPARE(w->Control("T2")->accessibleName(), QStringLiteral("y 坐标输入框"));
    }

    void controlsStandWhereTheLayoutPutsThem_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QRect>("pixels");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QString>("caption");
        // Pixel rectangles are the layout's twips divided by 15; 15.75 pt is
        // 21 px, 21.75 pt 29 px, 12 pt 16 px, the default 9 pt 12 px.
        QTest::newRow("Picture1") << "Picture1" << QRect(0, 0, 453, 105) << kSong << 12 << false
                                  << "";
        QTest::newRow("Label1") << "Label1" << QRect(8, 112, 409, 25) << kKai << 21 << true
                                << QStringLiteral("请输入色坐标（X，Y）后点击计算");
        QTest::newRow("Label2") << "Label2" << QRect(56, 152, 25, 33) << kKai << 21 << true << "X=";
        QTest::newRow("T1") << "T1" << QRect(88, 144, 113, 41) << kKai << 29 << true << "";
        QTest::newRow("Label3") << "Label3" << QRect(240, 152, 25, 25) << kKai << 21 << true
                                << "Y=";
        QTest::newRow("T2") << "T2" << QRect(272, 144, 113, 41) << kKai << 29 << true << "";
        QTest::newRow("Command1") << "Command1" << QRect(88, 200, 113, 41) << kKai << 21 << true
                                  << QStringLiteral("计  算");
        QTest::newRow("Command2") << "Command2" << QRect(272, 200, 113, 41) << kKai << 21 << true
                                  << QStringLiteral("关  闭");
        QTest::newRow("Label4") << "Label4" << QRect(8, 256, 257, 25) << kKai << 21 << true
                                << QStringLiteral("此色坐标对应的色温为：");
        QTest::newRow("L5") << "L5" << QRect(272, 256, 137, 25) << kKai << 21 << true << "";
        QTest::newRow("Label6") << "Label6" << QRect(176, 288, 265, 25) << kSong << 12 << false
                                << QStringLiteral("此软件由NorvakLED荧光粉研发工程师Tavin编写，"
                                                  "如有建议请Email:tavin@example.com。");
        QTest::newRow("Label7") << "Label7" << QRect(48, 288, 113, 17) << kSong << 16 << true << "";
        QTest::newRow("L6") << "L6" << QRect(424, 256, 57, 33) << kKai << 21 << true << "K";
    }
    void controlsStandWhereTheLayoutPutsThem()
    {
        QFETCH(QString, control);
        QFETCH(QRect, pixels);
        QFETCH(QString, family);
        QFETCH(int, pixelSize);
        QFETCH(bool, bold);
        QFETCH(QString, caption);
        QWidget *c = run_->nav.Window(F4)->Control(control);
        QVERIFY(c);
        QCOMPARE(c->geometry(), pixels);
        const QFontInfo font(c->font());
        QCOMPARE(font.family(), family);
        QCOMPARE(font.pixelSize(), pixelSize);
        QCOMPARE(font.bold(), bold);
        QCOMPARE(Text(run_->nav, F4, control), caption);
    }
};

QTEST_MAIN(ConverterScreenTest)
#include "test_converter_screen.moc"
