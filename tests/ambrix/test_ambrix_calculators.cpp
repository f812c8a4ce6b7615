// The calculator screens, driven through their widgets: the number shown for
// a typed point, the three display states, the messages, and the layout that
// sets the twelve members apart.

#include "ambrix_fixture.h"

#include <QtTest>

using namespace testing_support;

namespace {

// The label names of one member, role by role.
struct Naming {
    QString prompt, x, y, caption, result, heading;
};
const Naming kCn6500{"Label2", "Label3", "Label4", "Label5", "Label1", "Label6"};
const Naming kCn5000{"Label6", "Label2", "Label3", "Label4", "Label5", "Label1"};
const Naming kOthers{"Label1", "Label2", "Label3", "Label4", "Label5", "Label6"};

const Naming &NamingOf(const QString &screen)
{
    if (screen == "CN6500K")
        return kCn6500;
    if (screen == "CN5000K" || screen == "CN4000K")
        return kCn5000;
    return kOthers;
}

} // namespace

class CalculatorTest : public QObject {
    Q_OBJECT

    std::unique_ptr<AmbrixRun> run_;
    framework::ScreenNavigator &nav() { return run_->nav; }

    // Types the point and presses "计 算"; returns the messages shown.
    QList<CaughtMessage> Compute(const QString &screen, const QString &x, const QString &y)
    {
        Type(nav(), screen, "T1", x);
        Type(nav(), screen, "T2", y);
        MessageCatcher catcher([this, screen] {
            return QStringLiteral("caption %1, result \"%2\"")
                .arg(CaptionShown(screen) ? "shown" : "hidden", Result(screen));
        });
        Click(nav(), screen, "Command1");
        return catcher.messages;
    }

    QString Result(const QString &screen) { return Text(nav(), screen, NamingOf(screen).result); }
    bool CaptionShown(const QString &screen)
    {
        return Shown(nav(), screen, NamingOf(screen).caption);
    }

private slots:
    void initTestCase() { framework::PrepareApplication(); }
    void init() { run_ = std::make_unique<AmbrixRun>(); }
    void cleanup() { run_.reset(); }

    void showsTheToleranceOfTheTypedPoint_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<QString>("shown");
        QTest::newRow("CN6500K") << "CN6500K"
                                 << "0.3127"
                                 << "0.329"
                                 << "5";
        QTest::newRow("US6500K double rounding") << "US6500K"
                                                 << "0.3127"
                                                 << "0.329"
                                                 << "0";
        QTest::newRow("CN5000K") << "CN5000K"
                                 << "0.35"
                                 << "0.35"
                                 << "6";
        QTest::newRow("CN4000K") << "CN4000K"
                                 << "0.3805"
                                 << "0.3768"
                                 << "2";
        QTest::newRow("US4000K") << "US4000K"
                                 << "0.3805"
                                 << "0.3768"
                                 << "2";
        QTest::newRow("US3500K") << "US3500K"
                                 << "0.41"
                                 << "0.39"
                                 << "2";
        QTest::newRow("US2700K") << "US2700K"
                                 << "0.46"
                                 << "0.41"
                                 << "1";
        QTest::newRow("CN3000K left of centre") << "CN3000K"
                                                << "0.436"
                                                << "0.404"
                                                << "2";
        QTest::newRow("CN3000K right of centre") << "CN3000K"
                                                 << "0.444"
                                                 << "0.404"
                                                 << "2";
        QTest::newRow("CN2700K centre") << "CN2700K"
                                        << "0.463"
                                        << "0.42"
                                        << "0";
        QTest::newRow("US2700K centre") << "US2700K"
                                        << "0.4578"
                                        << "0.4101"
                                        << "0";
        QTest::newRow("CN6500K far off") << "CN6500K"
                                         << "50"
                                         << "0.337"
                                         << "46078";
        // One point, twelve different answers: each screen uses its own row.
        const QStringList screens{"CN6500K", "CN5000K", "CN4000K", "CN3500K", "CN3000K", "CN2700K",
                                  "US6500K", "US5000K", "US4000K", "US3500K", "US3000K", "US2700K"};
        const QStringList at039{"80", "37", "8", "12", "32", "51",
                                "83", "38", "7", "11", "28", "46"};
        for (int i = 0; i < screens.size(); ++i)
            QTest::newRow(qPrintable(screens[i] + " at 0.39")) << screens[i] << "0.39"
                                                               << "0.39" << at039[i];
    }

    void showsTheToleranceOfTheTypedPoint()
    {
        QFETCH(QString, screen);
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(QString, shown);
        run_->Open(screen);
        QVERIFY(!CaptionShown(screen));
        QCOMPARE(Compute(screen, x, y).size(), 0);
        QVERIFY(CaptionShown(screen));
        QCOMPARE(Result(screen), shown);
        // The typed texts stay as typed.
        QCOMPARE(Text(nav(), screen, "T1"), x);
        QCOMPARE(Text(nav(), screen, "T2"), y);
    }

    void movesThroughTheThreeDisplayStates()
    {
        const QString s = "CN4000K";
        run_->Open(s);
        QVERIFY(!CaptionShown(s));
        QCOMPARE(Result(s), QString());

        // Fresh -> missing input only: the message, then the caption alone.
        auto messages = Compute(s, "", "");
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].title, QStringLiteral("出错"));
        QCOMPARE(messages[0].text, QStringLiteral("请输入色坐标x,y值后再计算"));
        QCOMPARE(messages[0].icon, QMessageBox::Information);
        QVERIFY(messages[0].hasOk && messages[0].buttonCount == 1);
        // The message comes first: behind it the screen is still fresh.
        QCOMPARE(messages[0].screen, QStringLiteral("caption hidden, result \"\""));
        QVERIFY(CaptionShown(s));
        QCOMPARE(Result(s), QString());
        // Reading an empty entry does not write 0 into it.
        QCOMPARE(Text(nav(), s, "T1"), QString());

        // Missing input only -> result shown.
        QCOMPARE(Compute(s, "0.3805", "0.3768").size(), 0);
        QCOMPARE(Result(s), QStringLiteral("2"));

        // The same input again: the same number, the caption stays.
        QCOMPARE(Compute(s, "0.3805", "0.3768").size(), 0);
        QCOMPARE(Result(s), QStringLiteral("2"));
        QVERIFY(CaptionShown(s));

        // Complete input replaces the number.
        QCOMPARE(Compute(s, "0.39", "0.39").size(), 0);
        QCOMPARE(Result(s), QStringLiteral("8"));

        // Missing input keeps the number of the last complete computation.
        messages = Compute(s, "", "0.39");
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, QStringLiteral("请输入色坐标x,y值后再计算"));
        QCOMPARE(messages[0].screen, QStringLiteral("caption shown, result \"8\""));
        QVERIFY(CaptionShown(s));
        QCOMPARE(Result(s), QStringLiteral("8"));
    }

    void missingInputIsAnsweredByOneMessage_data()
    {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::newRow("both empty") << ""
                                    << "";
        QTest::newRow("only x") << "0.35"
                                << "";
        QTest::newRow("only y") << ""
                                << "0.35";
        QTest::newRow("y typed 0") << "0.35"
                                   << "0";
        QTest::newRow("x typed 0.0") << "0.0"
                                     << "0.35";
        QTest::newRow("x typed -0") << "-0"
                                    << "0.35";
        QTest::newRow("y typed 000") << "0.35"
                                     << "000";
    }

    void missingInputIsAnsweredByOneMessage()
    {
        QFETCH(QString, x);
        QFETCH(QString, y);
        const QString s = "CN5000K";
        run_->Open(s);
        QCOMPARE(Compute(s, "0.35", "0.35").size(), 0);
        QCOMPARE(Result(s), QStringLiteral("6"));
        const auto messages = Compute(s, x, y);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].title, QStringLiteral("出错"));
        QCOMPARE(messages[0].text, QStringLiteral("请输入色坐标x,y值后再计算"));
        QVERIFY(CaptionShown(s));
        QCOMPARE(Result(s), QStringLiteral("6"));
        QCOMPARE(Text(nav(), s, "T1"), x);
        QCOMPARE(Text(nav(), s, "T2"), y);
    }

    void aTinyValueIsNotMissing()
    {
        run_->Open("CN6500K");
        QCOMPARE(Compute("CN6500K", "0.0001", "0.337").size(), 0);
        QCOMPARE(Result("CN6500K"), QStringLiteral("290"));
    }

    // A text that is not a number, or a point too far off, stops the compute
    // action with one message under "出错" and changes nothing on the screen.
    void failureChangesNothing_data()
    {
        QTest::addColumn<bool>("computedBefore");
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<QString>("named");
        QTest::newRow("abc in T1, fresh") << false << "abc"
                                          << "0.35"
                                          << "abc";
        QTest::newRow("abc in T1, with a result") << true << "abc"
                                                  << "0.35"
                                                  << "abc";
        QTest::newRow("T1 empty, abc in T2") << false << ""
                                             << "abc"
                                             << "abc";
        QTest::newRow("T1 empty, abc in T2, with a result") << true << ""
                                                            << "abc"
                                                            << "abc";
        QTest::newRow("one blank") << true << " "
                                   << "0.35"
                                   << "";
        QTest::newRow("0.3a") << true << "0.35"
                              << "0.3a"
                              << "0.3a";
        QTest::newRow("overflow x=51") << true << "51"
                                       << "0.337"
                                       << "";
        QTest::newRow("overflow x=51, fresh") << false << "51"
                                              << "0.337"
                                              << "";
    }

    void failureChangesNothing()
    {
        QFETCH(bool, computedBefore);
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(QString, named);
        const QString s = "CN6500K";
        run_->Open(s);
        if (computedBefore) {
            QCOMPARE(Compute(s, "0.3127", "0.329").size(), 0);
            QCOMPARE(Result(s), QStringLiteral("5"));
        }
        const auto messages = Compute(s, x, y);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].title, QStringLiteral("出错"));
        QVERIFY(messages[0].text != QStringLiteral("请输入色坐标x,y值后再计算"));
        if (!named.isEmpty())
            QVERIFY2(messages[0].text.contains(named), qPrintable(messages[0].text));
        QCOMPARE(Text(nav(), s, "T1"), x);
        QCOMPARE(Text(nav(), s, "T2"), y);
        QCOMPARE(CaptionShown(s), computedBefore);
        QCOMPARE(Result(s), computedBefore ? QStringLiteral("5") : QString());
        // The screen goes on working.
        QCOMPARE(Compute(s, "50", "0.337").size(), 0);
        QCOMPARE(Result(s), QStringLiteral("46078"));
        QCOMPARE(run_->ends, 0);
    }

    void reopenedScreenIsFresh()
    {
        const QString s = "US3000K";
        run_->Open(s);
        QCOMPARE(Compute(s, "0.44", "0.41").size(), 0);
        QCOMPARE(Result(s), QStringLiteral("5"));
        Click(nav(), s, "Command2");
        Settle();
        QCOMPARE(nav().ShownScreens(), QStringList({"Form3"}));
        Click(nav(), "Form3", "Command7");
        Settle();
        QCOMPARE(nav().ShownScreens(), QStringList({s}));
        QCOMPARE(Text(nav(), s, "T1"), QString());
        QCOMPARE(Text(nav(), s, "T2"), QString());
        QVERIFY(!CaptionShown(s));
        QCOMPARE(Result(s), QString());
    }

    void referenceButtonsLeaveTheCalculatorAsItIs()
    {
        const QString s = "CN3500K";
        run_->Open(s);
        QCOMPARE(Compute(s, "0.41", "0.4").size(), 0);
        QCOMPARE(Result(s), QStringLiteral("3"));
        Click(nav(), s, "Command3");
        Click(nav(), s, "Command4");
        Click(nav(), s, "Command5");
        QCOMPARE(nav().ShownScreens(), QStringList({s, "Form4", "Form5", "Form6"}));
        Click(nav(), "Form5", "Command2");
        Settle();
        QCOMPARE(nav().ShownScreens(), QStringList({s, "Form4", "Form6"}));
        QCOMPARE(Text(nav(), s, "T1"), QStringLiteral("0.41"));
        QCOMPARE(Text(nav(), s, "T2"), QStringLiteral("0.4"));
        QVERIFY(CaptionShown(s));
        QCOMPARE(Result(s), QStringLiteral("3"));
    }

    void enterInAnEntryDoesNotCompute()
    {
        const QString s = "CN4000K";
        run_->Open(s);
        Type(nav(), s, "T1", "0.3805");
        Type(nav(), s, "T2", "0.3768");
        QTest::keyClick(ControlOf(nav(), s, "T2"), Qt::Key_Return);
        QVERIFY(!CaptionShown(s));
        QCOMPARE(Result(s), QString());
    }

    void focusRunsInTheMembersOrder_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QStringList>("chain");
        const QStringList usual{"T1",       "T2",       "Command1", "Command2",
                                "Command5", "Command4", "Command3"};
        for (const char *s : {"CN5000K", "CN4000K", "CN3500K", "CN3000K", "CN2700K", "US6500K",
                              "US5000K", "US4000K", "US3000K", "US2700K"})
            QTest::newRow(s) << s << usual;
        QTest::newRow("CN6500K") << "CN6500K"
                                 << QStringList{"T1",       "T2",       "Command1", "Command2",
                                                "Command3", "Command4", "Command5"};
        QTest::newRow("US3500K") << "US3500K"
                                 << QStringList{"Command3", "Command4", "Command5", "T2",
                                                "T1",       "Command1", "Command2"};
    }

    void focusRunsInTheMembersOrder()
    {
        QFETCH(QString, screen);
        QFETCH(QStringList, chain);
        run_->Open(screen);
        // Round and round: the chain closes after the last control.
        QCOMPARE(FocusChain(nav().Window(screen), 8), chain + QStringList{chain.first()});
    }

    void spaceOnTheFreshUS3500KOpensTheAluminateTable()
    {
        run_->Open("US3500K");
        framework::ScreenWindow *w = nav().Window("US3500K");
        QCOMPARE(w->focusWidget(), w->Control("Command3"));
        QTest::keyClick(w->Control("Command3"), Qt::Key_Space);
        QVERIFY(nav().IsShown("Form6"));
    }

    void membersDifferWhereTheirLayoutsDo_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("resultTop");
        QTest::addColumn<int>("resultFontPx");
        QTest::addColumn<int>("resultWidth");
        QTest::addColumn<int>("captionWidth");
        QTest::addColumn<int>("captionHeight");
        QTest::addColumn<int>("computeWidth");
        QTest::addColumn<int>("backWidth");
        QTest::addColumn<int>("yEntryWidth");
        QTest::addColumn<int>("yLabelLeft");
        // Fonts in pixels at 96 dpi: 宋体 14.25 pt 19, 12 pt 16, the default 9 pt 12.
        // clang-format off
        QTest::newRow("CN6500K") << "CN6500K" << "CN6500K" << 1680 << 19 << 1335 << 1095 << 495 << 1455 << 1455 << 1455 << 3600;
        QTest::newRow("CN5000K") << "CN5000K" << "CN5000K" << 1680 << 19 << 1335 << 1095 << 495 << 1455 << 1455 << 1455 << 3600;
        QTest::newRow("CN4000K") << "CN4000K" << "CN4000K" << 1680 << 19 << 1335 << 1095 << 495 << 1455 << 1455 << 1455 << 3600;
        QTest::newRow("CN3500K") << "CN3500K" << "CN3500K" << 1680 << 16 << 1335 << 1095 << 495 << 1455 << 1455 << 1455 << 3720;
        QTest::newRow("CN3000K") << "CN3000K" << "CN3000K" << 1560 << 16 << 1335 << 1095 << 495 << 1455 << 1455 << 1455 << 3720;
        QTest::newRow("CN2700K") << "CN2700K" << "CN2700K" << 1560 << 16 << 1335 << 1095 << 495 << 1455 << 1455 << 1445 << 3720;
        QTest::newRow("US6500K") << "US6500K" << "US6500K" << 1680 << 16 << 1575 << 1215 << 495 << 1335 << 1455 << 1455 << 3600;
        QTest::newRow("US5000K") << "US5000K" << "US5000K" << 1680 << 16 << 1575 << 1335 << 495 << 1215 << 1455 << 1455 << 3600;
        QTest::newRow("US4000K") << "US4000K" << "US4000K" << 1680 << 12 << 1335 << 1095 << 375 << 1335 << 1455 << 1455 << 3600;
        QTest::newRow("US3500K") << "US3500K" << "US3500k" << 1560 << 12 << 1335 << 1095 << 495 << 1455 << 1455 << 1455 << 3720;
        QTest::newRow("US3000K") << "US3000K" << "US3000K" << 1560 << 12 << 1335 << 1095 << 495 << 1455 << 1455 << 1455 << 3720;
        QTest::newRow("US2700K") << "US2700K" << "US2700K" << 1560 << 16 << 1335 << 1095 << 495 << 1455 << 1445 << 1445 << 3720;
        // clang-format on
    }

    void membersDifferWhereTheirLayoutsDo()
    {
        QFETCH(QString, screen);
        QFETCH(QString, caption);
        QFETCH(int, resultTop);
        QFETCH(int, resultFontPx);
        QFETCH(int, resultWidth);
        QFETCH(int, captionWidth);
        QFETCH(int, captionHeight);
        QFETCH(int, computeWidth);
        QFETCH(int, backWidth);
        QFETCH(int, yEntryWidth);
        QFETCH(int, yLabelLeft);
        run_->Open(screen);
        framework::ScreenWindow *w = nav().Window(screen);
        const Naming &n = NamingOf(screen);
        auto rect = [w](const QString &key) {
            QWidget *c = w->Control(key);
            return c ? c->geometry() : QRect();
        };

        QCOMPARE(w->windowTitle(), caption);
        QCOMPARE(w->size(), QSize(466, 213));
        QCOMPARE(PaintedAt(w, {455, 70}), QColor(0xFF, 0xFF, 0xC0));

        // Each role under its member's name.
        QCOMPARE(Text(nav(), screen, n.prompt),
                 QStringLiteral("请输入色坐标X,Y。Please text (X,Y)."));
        QCOMPARE(Text(nav(), screen, n.x), QStringLiteral("X="));
        QCOMPARE(Text(nav(), screen, n.y), QStringLiteral("Y="));
        QCOMPARE(Text(nav(), screen, n.caption), QStringLiteral("色容差="));
        QCOMPARE(Text(nav(), screen, n.heading), QStringLiteral("Norvak荧光粉规格表速查"));
        QVERIFY(!Shown(nav(), screen, n.caption));
        QVERIFY(Shown(nav(), screen, n.result));
        QCOMPARE(Text(nav(), screen, n.result), QString());

        QCOMPARE(rect(n.x), PixelRect(1200, 840, 375, 375));
        QCOMPARE(rect(n.y).topLeft(), PixelRect(yLabelLeft, 840, 1, 1).topLeft());
        QCOMPARE(rect("T1"), PixelRect(1560, 840, 1455, 375));
        QCOMPARE(rect("T2"), PixelRect(3960, 840, yEntryWidth, 375));
        QCOMPARE(rect("Command1"), PixelRect(120, 1560, computeWidth, 495));
        QCOMPARE(rect("Command2"), PixelRect(5160, 1560, backWidth, 495));
        QCOMPARE(rect(n.caption), PixelRect(1680, resultTop, captionWidth, captionHeight));
        QCOMPARE(rect(n.result), PixelRect(2880, resultTop, resultWidth, 495));
        QCOMPARE(w->Control(n.caption)->font().pixelSize(), 19);
        QCOMPARE(w->Control(n.result)->font().pixelSize(), resultFontPx);

        // What every member shares.
        QCOMPARE(rect(n.prompt), PixelRect(120, 360, 4935, 495));
        QCOMPARE(rect("Command3"), PixelRect(120, 2640, 975, 375));
        QCOMPARE(rect("Command4"), PixelRect(1320, 2640, 975, 375));
        QCOMPARE(rect("Command5"), PixelRect(2520, 2640, 975, 375));
        const QMap<QString, QString> buttons{{"Command1", QStringLiteral("计 算")},
                                             {"Command2", QStringLiteral("返 回")},
                                             {"Command3", QStringLiteral("铝酸盐")},
                                             {"Command4", QStringLiteral("硅酸盐")},
                                             {"Command5", QStringLiteral("氮化物")}};
        QCOMPARE(ButtonCaptions(w), buttons);
        QCOMPARE(rect("Label7"), PixelRect(3600, 2400, 3615, 495));
        QCOMPARE(
            Text(nav(), screen, "Label7"),
            QStringLiteral("欢迎大家试用Norvak荧光粉，Tavin，000-0000-0000，tavin@example.com"));
        QCOMPARE(w->Control("Label7")->palette().color(QPalette::Window), QColor(0xFF, 0xE0, 0xC0));
        QCOMPARE(rect("Image3(0)"), PixelRect(0, 2040, 5325, 210));
        QCOMPARE(rect("Image3(3)"), PixelRect(2160, 2040, 5325, 210));
        auto *strip = qobject_cast<QLabel *>(w->Control("Image3(1)"));
        QVERIFY(strip);
        QCOMPARE(strip->pixmap().size(), QSize(360, 14));
    }
};

QTEST_MAIN(CalculatorTest)
#include "test_ambrix_calculators.moc"
