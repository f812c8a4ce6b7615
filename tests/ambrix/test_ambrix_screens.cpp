// The welcome, selection and reference screens of ambrix and the moves
// between all its screens, driven through their widgets.

#include "ambrix_fixture.h"

#include <QtTest>

using namespace testing_support;

class AmbrixScreensTest : public QObject {
    Q_OBJECT

    std::unique_ptr<AmbrixRun> run_;
    framework::ScreenNavigator &nav() { return run_->nav; }

    void Press(const QString &screen, const QString &key)
    {
        Click(nav(), screen, key);
        Settle();
    }

private slots:
    void initTestCase() { framework::PrepareApplication(); }
    void init() { run_ = std::make_unique<AmbrixRun>(); }
    void cleanup() { run_.reset(); }

    void theRoadOfOneComputation()
    {
        nav().ShowScreen(ambrix::kStartScreen);
        QCOMPARE(nav().ShownScreens(), QStringList({"Form1"}));
        Press("Form1", "Command1"); // GB
        QCOMPARE(nav().ShownScreens(), QStringList({"Form2"}));
        Press("Form2", "Command3"); // 4000K
        QCOMPARE(nav().ShownScreens(), QStringList({"CN4000K"}));
        Type(nav(), "CN4000K", "T1", "0.3805");
        Type(nav(), "CN4000K", "T2", "0.3768");
        Press("CN4000K", "Command1");
        QCOMPARE(Text(nav(), "CN4000K", "Label5"), QStringLiteral("2"));
        QVERIFY(Shown(nav(), "CN4000K", "Label4"));
        Press("CN4000K", "Command2"); // 返 回
        QCOMPARE(nav().ShownScreens(), QStringList({"Form2"}));
        Press("Form2", "Command7"); // 返 回
        QCOMPARE(nav().ShownScreens(), QStringList({"Form1"}));
        QCOMPARE(run_->ends, 0);
    }

    void everyButtonOfTheMainPathLeadsWhereItSays_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("to");
        QTest::newRow("Form1 ANSI") << "Form1"
                                    << "Command2"
                                    << "Form3";
        const QStringList gb{"CN6500K", "CN5000K", "CN4000K", "CN3500K", "CN3000K", "CN2700K"};
        for (int i = 0; i < gb.size(); ++i)
            QTest::newRow(qPrintable("Form2 " + gb[i]))
                << "Form2" << QStringLiteral("Command%1").arg(i + 1) << gb[i];
        const QStringList ansi{"US6500K", "",        "US5000K", "",
                               "US4000K", "US3500K", "US3000K", "US2700K"};
        for (int i = 0; i < ansi.size(); ++i)
            if (!ansi[i].isEmpty())
                QTest::newRow(qPrintable("Form3 " + ansi[i]))
                    << "Form3" << QStringLiteral("Command%1").arg(i + 1) << ansi[i];
        QTest::newRow("Form3 back") << "Form3"
                                    << "Command9"
                                    << "Form1";
        for (const QString &s : gb)
            QTest::newRow(qPrintable(s + " back")) << s << "Command2"
                                                   << "Form2";
        for (const QString &s : ansi)
            if (!s.isEmpty())
                QTest::newRow(qPrintable(s + " back")) << s << "Command2"
                                                       << "Form3";
    }

    void everyButtonOfTheMainPathLeadsWhereItSays()
    {
        QFETCH(QString, from);
        QFETCH(QString, button);
        QFETCH(QString, to);
        run_->Open(from);
        QCOMPARE(nav().Window(to), nullptr);
        Press(from, button);
        QCOMPARE(nav().ShownScreens(), QStringList({to}));
        QVERIFY(nav().Window(to)->isVisible());
        QCOMPARE(run_->ends, 0);
    }

    void closeEndsTheProgramWithReferenceScreensOpen_data()
    {
        QTest::addColumn<QString>("selection");
        QTest::addColumn<QString>("calculatorButton");
        QTest::addColumn<QString>("closeButton");
        QTest::newRow("Form2") << "Form2"
                               << "Command1"
                               << "Command8";
        QTest::newRow("Form3") << "Form3"
                               << "Command1"
                               << "Command10";
    }

    void closeEndsTheProgramWithReferenceScreensOpen()
    {
        QFETCH(QString, selection);
        QFETCH(QString, calculatorButton);
        QFETCH(QString, closeButton);
        run_->Open(selection);
        Press(selection, calculatorButton);
        const QString calculator = nav().ShownScreens().first();
        Press(calculator, "Command3");
        Press(calculator, "Command5");
        Press(calculator, "Command2");
        QCOMPARE(nav().ShownScreens(), QStringList({selection, "Form4", "Form6"}));
        QPointer<framework::ScreenWindow> table = nav().Window("Form4");
        Press(selection, closeButton);
        QCOMPARE(run_->ends, 1);
        QVERIFY(nav().ShownScreens().isEmpty());
        QVERIFY(table.isNull() || !table->isVisible());
    }

    void aReferenceScreenIsOpenedOnceAndBroughtToTheFront()
    {
        run_->Open("CN5000K");
        Type(nav(), "CN5000K", "T1", "0.35");
        Press("CN5000K", "Command4");
        framework::ScreenWindow *silicate = nav().Window("Form5");
        QVERIFY(silicate && silicate->isVisible());
        nav().Window("CN5000K")->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), nav().Window("CN5000K"));
        Press("CN5000K", "Command4");
        QCOMPARE(nav().Window("Form5"), silicate);
        QTRY_COMPARE(QApplication::activeWindow(), silicate);
        QCOMPARE(nav().ShownScreens(), QStringList({"CN5000K", "Form5"}));
        QCOMPARE(Text(nav(), "CN5000K", "T1"), QStringLiteral("0.35"));
    }

    void aReferenceScreenOutlivesItsCalculator()
    {
        run_->Open("CN6500K");
        Press("CN6500K", "Command5");
        framework::ScreenWindow *nitride = nav().Window("Form4");
        QVERIFY(nitride);
        Press("CN6500K", "Command2");
        QCOMPARE(nav().ShownScreens(), QStringList({"Form2", "Form4"}));
        Press("Form2", "Command7");
        Press("Form1", "Command2");
        Press("Form3", "Command5"); // 4000K
        QCOMPARE(nav().ShownScreens(), QStringList({"Form4", "US4000K"}));
        Press("US4000K", "Command5");
        QCOMPARE(nav().Window("Form4"), nitride);
        QTRY_COMPARE(QApplication::activeWindow(), nitride);
    }

    void closingTheMainPathLeavesTheReferenceScreens()
    {
        run_->Open("US2700K");
        Press("US2700K", "Command3");
        Press("US2700K", "Command4");
        nav().Window("US2700K")->close();
        Settle();
        QCOMPARE(nav().ShownScreens(), QStringList({"Form5", "Form6"}));
        QCOMPARE(run_->ends, 0);
        Press("Form6", "Command1");
        QCOMPARE(nav().ShownScreens(), QStringList({"Form5"}));
        QCOMPARE(run_->ends, 0);
        nav().Window("Form5")->close();
        QCOMPARE(run_->ends, 1);
    }

    void closingTheOnlyScreenEndsTheProgram_data()
    {
        QTest::addColumn<QString>("screen");
        for (const char *s : {"Form1", "Form2", "Form3", "CN3000K", "US6500K"})
            QTest::newRow(s) << s;
    }

    void closingTheOnlyScreenEndsTheProgram()
    {
        QFETCH(QString, screen);
        run_->Open(screen);
        QCOMPARE(nav().ShownScreens(), QStringList({screen}));
        nav().Window(screen)->close();
        QCOMPARE(run_->ends, 1);
    }

    void eachReferenceBackClosesOnlyItsOwnScreen_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("back");
        QTest::newRow("Form4") << "Form4"
                               << "Command1";
        QTest::newRow("Form5") << "Form5"
                               << "Command2";
        QTest::newRow("Form6") << "Form6"
                               << "Command1";
    }

    void eachReferenceBackClosesOnlyItsOwnScreen()
    {
        QFETCH(QString, screen);
        QFETCH(QString, back);
        run_->Open("CN3000K");
        for (const char *button : {"Command3", "Command4", "Command5"})
            Press("CN3000K", button);
        QCOMPARE(nav().ShownScreens(), QStringList({"CN3000K", "Form4", "Form5", "Form6"}));
        Press(screen, back);
        QStringList left{"CN3000K", "Form4", "Form5", "Form6"};
        left.removeOne(screen);
        QCOMPARE(nav().ShownScreens(), left);
        QCOMPARE(run_->ends, 0);
    }

    void theSliverOnForm5DoesNothing()
    {
        run_->Open("CN2700K");
        Press("CN2700K", "Command4");
        QWidget *sliver = ControlOf(nav(), "Form5", "Command1");
        QVERIFY(sliver);
        // Only its left-most pixel column lies inside the window.
        QCOMPARE(sliver->geometry(), PixelRect(9480, 0, 1575, 495));
        QCOMPARE(nav().Window("Form5")->width(), 633);
        MessageCatcher catcher;
        Press("Form5", "Command1");
        QTest::keyClick(sliver, Qt::Key_Space);
        Settle();
        QVERIFY(catcher.messages.isEmpty());
        QCOMPARE(nav().ShownScreens(), QStringList({"CN2700K", "Form5"}));
    }

    void ansiCctsWithoutEllipseOnlySaySo_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("message");
        QTest::newRow("5700K") << "Command2"
                               << QStringLiteral(
                                      "目前没查到5700k色温的McAdam椭圆长轴短轴参数，抱歉");
        QTest::newRow("4500K") << "Command4"
                               << QStringLiteral(
                                      "目前没查到4500k色温的McAdam椭圆长轴短轴参数，抱歉");
    }

    void ansiCctsWithoutEllipseOnlySaySo()
    {
        QFETCH(QString, button);
        QFETCH(QString, message);
        run_->Open("Form3");
        framework::ScreenWindow *form3 = nav().Window("Form3");
        // A click puts the focus on the button; the message leaves it there.
        QWidget *focused = form3->Control(button);
        focused->setFocus();
        for (int press = 1; press <= 2; ++press) {
            MessageCatcher catcher;
            Press("Form3", button);
            QCOMPARE(catcher.messages.size(), 1);
            QCOMPARE(catcher.messages[0].title, QStringLiteral("出错"));
            QCOMPARE(catcher.messages[0].text, message);
            QCOMPARE(catcher.messages[0].icon, QMessageBox::Information);
            QVERIFY(catcher.messages[0].hasOk && catcher.messages[0].buttonCount == 1);
        }
        QCOMPARE(nav().ShownScreens(), QStringList({"Form3"}));
        QCOMPARE(nav().Window("Form3"), form3);
        QCOMPARE(form3->focusWidget(), focused);
        QCOMPARE(run_->ends, 0);
    }

    void clicksOnTheWelcomeScreensPicturesAndTextsDoNothing()
    {
        run_->Open("Form1");
        MessageCatcher catcher;
        for (const char *key :
             {"Picture1", "Label2", "Label6(0)", "Label6(1)", "Image5", "Image6", "Image4(0)"})
            Press("Form1", key);
        QVERIFY(catcher.messages.isEmpty());
        QCOMPARE(nav().ShownScreens(), QStringList({"Form1"}));
    }

    void welcomeFocusStartsOnGB()
    {
        run_->Open("Form1");
        framework::ScreenWindow *w = nav().Window("Form1");
        QCOMPARE(FocusChain(w, 4), QStringList({"Command1", "Command2", "Picture1", "Command1"}));
        QTest::keyClick(w->Control("Command1"), Qt::Key_Space);
        Settle();
        QCOMPARE(nav().ShownScreens(), QStringList({"Form2"}));
    }

    void selectionFocusStartsOn6500K_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QStringList>("captions"); // Command1, Command2, …
        QTest::newRow("Form2") << "Form2"
                               << QStringList{"6500K", "5000K", "4000K", "3500K", "3000K",
                                              "2700K", "返 回", "关 闭"};
        QTest::newRow("Form3") << "Form3"
                               << QStringList{"6500K", "5700K", "5000K", "4500K", "4000K",
                                              "3500K", "3000K", "2700K", "返 回", "关 闭"};
    }

    void selectionFocusStartsOn6500K()
    {
        QFETCH(QString, screen);
        QFETCH(QStringList, captions);
        run_->Open(screen);
        QStringList chain;
        QMap<QString, QString> buttons;
        for (int i = 1; i <= captions.size(); ++i) {
            chain << QStringLiteral("Command%1").arg(i);
            buttons.insert(chain.last(), captions[i - 1]);
        }
        chain << "Picture1"
              << "Command1";
        QCOMPARE(FocusChain(nav().Window(screen), int(captions.size()) + 2), chain);
        // Every caption as drawn, blanks included.
        QCOMPARE(ButtonCaptions(nav().Window(screen)), buttons);
    }

    void welcomeAndGbSelectionOpenAtTheirFixedPlace_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QSize>("client");
        QTest::newRow("Form1") << "Form1" << QSize(509, 352);
        QTest::newRow("Form2") << "Form2" << QSize(452, 286);
    }

    void welcomeAndGbSelectionOpenAtTheirFixedPlace()
    {
        QFETCH(QString, screen);
        QFETCH(QSize, client);
        run_->Open(screen);
        framework::ScreenWindow *w = nav().Window(screen);
        QCOMPARE(w->geometry(), QRect(QPoint(4, 30), client));
        // Moved by the user, it comes back to its place the next time.
        w->move(300, 200);
        if (screen == "Form1") {
            Press("Form1", "Command1");
            Press("Form2", "Command7");
        } else {
            Press("Form2", "Command2");
            Press("CN5000K", "Command2");
        }
        QCOMPARE(nav().Window(screen)->geometry(), QRect(QPoint(4, 30), client));
    }

    void welcomeScreenLooksAsDescribed()
    {
        run_->Open("Form1");
        framework::ScreenWindow *w = nav().Window("Form1");
        QCOMPARE(w->windowTitle(), QStringLiteral("ambrix-[Norvak荧光粉技术支持软件5]"));
        QCOMPARE(Text(nav(), "Form1", "Label2"),
                 QStringLiteral("  请选择标准，GB为中国标准，ANSI为美国标准"));
        // The prompt is a band of the button face across the pale yellow.
        const QColor paleYellow(0xFF, 0xFF, 0xC0);
        QCOMPARE(PaintedAt(w, {250, 200}), paleYellow);
        QCOMPARE(w->Control("Label2")->palette().color(QPalette::Window),
                 QApplication::palette().color(QPalette::Button));
        QVERIFY(w->Control("Label2")->palette().color(QPalette::Window) != paleYellow);
        QCOMPARE(w->Control("Label6(1)")->palette().color(QPalette::Window), paleYellow);
        QCOMPARE(ButtonCaptions(w), (QMap<QString, QString>{{"Command1", "GB"}, {"Command2", "ANSI"}}));
        QCOMPARE(w->Control("Command1")->font().pixelSize(), 21);
        QCOMPARE(w->Control("Command2")->font().pixelSize(), 20);
        QVERIFY(Text(nav(), "Form1", "Label6(1)")
                    .endsWith(QStringLiteral("contact me:tavin@example.com.")));
        QVERIFY(Text(nav(), "Form1", "Label6(0)")
                    .contains(QStringLiteral("Email:tavin@example.com，同时")));
        // Pictures at their own size, cut off at their controls.
        const QList<std::pair<const char *, QSize>> pictures{{"Picture1", {450, 100}},
                                                             {"Image4(0)", {30, 800}},
                                                             {"Image3(3)", {360, 14}},
                                                             {"Image5", {40, 38}},
                                                             {"Image6", {60, 26}}};
        for (const auto &[key, size] : pictures) {
            auto *picture = qobject_cast<QLabel *>(w->Control(key));
            QVERIFY2(picture, key);
            QCOMPARE(picture->pixmap().size(), size);
        }
        QCOMPARE(w->Control("Picture1")->geometry(), PixelRect(480, 0, 6735, 1575));
        QCOMPARE(w->Control("Image4(0)")->geometry(), PixelRect(7200, 0, 450, 12000));
    }

    void selectionScreensLookAsDescribed_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QRect>("firstCct");
        QTest::addColumn<QRect>("lastCct");
        QTest::addColumn<QRect>("close");
        QTest::newRow("Form2") << "Form2" << QStringLiteral("中国标准GB-[Norvak荧光粉技术支持软件]")
                               << QSize(452, 286) << PixelRect(480, 1320, 1575, 495)
                               << PixelRect(4680, 2160, 1575, 495)
                               << PixelRect(4680, 3720, 1575, 495);
        QTest::newRow("Form3") << "Form3"
                               << QStringLiteral("美国标准ANSI-[Norvak荧光粉技术支持软件]")
                               << QSize(464, 287) << PixelRect(120, 1320, 1575, 495)
                               << PixelRect(5160, 2160, 1575, 495)
                               << PixelRect(5160, 3720, 1575, 495);
    }

    void selectionScreensLookAsDescribed()
    {
        QFETCH(QString, screen);
        QFETCH(QString, caption);
        QFETCH(QSize, client);
        QFETCH(QRect, firstCct);
        QFETCH(QRect, lastCct);
        QFETCH(QRect, close);
        run_->Open(screen);
        framework::ScreenWindow *w = nav().Window(screen);
        const int ccts = screen == "Form2" ? 6 : 8;
        QCOMPARE(w->windowTitle(), caption);
        QCOMPARE(w->size(), client);
        QCOMPARE(w->Control("Command1")->geometry(), firstCct);
        QCOMPARE(w->Control(QStringLiteral("Command%1").arg(ccts))->geometry(), lastCct);
        QCOMPARE(w->Control(QStringLiteral("Command%1").arg(ccts + 2))->geometry(), close);
        QCOMPARE(
            Text(nav(), screen, "Label6"),
            QStringLiteral("欢迎大家试用Norvak荧光粉，Tavin，000-0000-0000，tavin@example.com。"));
        auto *photo = qobject_cast<QLabel *>(w->Control("Picture1"));
        QCOMPARE(photo->geometry(), PixelRect(240, 3120, 1455, 975));
        QCOMPARE(photo->pixmap().size(), QSize(91, 60));
        // Around the photograph the box shows the button face, not the window's yellow.
        QCOMPARE(photo->palette().color(QPalette::Window),
                 QApplication::palette().color(QPalette::Button));
    }

    void referenceScreensShowTheirTables_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("box");
        QTest::newRow("Form4") << "Form4"
                               << "Command5" << QStringLiteral("Norvak硅氮化物荧光粉参数表")
                               << QSize(789, 558) << QSize(793, 510) << QRect(0, 0, 793, 513);
        QTest::newRow("Form5") << "Form5"
                               << "Command4" << QStringLiteral("Norvak硅酸盐荧光粉参数表")
                               << QSize(633, 618) << QSize(632, 573) << QRect(0, 0, 633, 577);
        QTest::newRow("Form6") << "Form6"
                               << "Command3" << QStringLiteral("Norvak铝酸盐荧光粉参数表")
                               << QSize(495, 647) << QSize(497, 605) << QRect(0, 0, 497, 609);
    }

    void referenceScreensShowTheirTables()
    {
        QFETCH(QString, screen);
        QFETCH(QString, button);
        QFETCH(QString, caption);
        QFETCH(QSize, client);
        QFETCH(QSize, picture);
        QFETCH(QRect, box);
        run_->Open("US5000K");
        Press("US5000K", button);
        framework::ScreenWindow *w = nav().Window(screen);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), caption);
        QCOMPARE(w->size(), client);
        auto *table = qobject_cast<QLabel *>(w->Control("Picture1"));
        QCOMPARE(table->geometry(), box);
        QCOMPARE(table->pixmap().size(), picture);
        QCOMPARE(w->focusWidget(), table);
        auto *motto = qobject_cast<QLabel *>(w->Control("Label1"));
        QVERIFY(motto->text().startsWith(QStringLiteral("人生奋斗所经历的艰辛，")));
        QVERIFY(motto->text().endsWith(QStringLiteral("那么我们的事业将会一路光明。")));
        QCOMPARE(motto->palette().color(QPalette::WindowText), QColor(0xFF, 0x80, 0x00));
        QCOMPARE(motto->palette().color(QPalette::Window),
                 QApplication::palette().color(QPalette::Window));
        QCOMPARE(motto->font().pixelSize(), 12);
    }
};

QTEST_MAIN(AmbrixScreensTest)
#include "test_ambrix_screens.moc"
