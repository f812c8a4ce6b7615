// A window built from a description has the size, placement, controls,
// fonts, colours, visibility and focus order the description gives.

#include "screen_driver.h"
#include "window_services.h"

#include <QFontInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

using namespace framework;
using namespace testing_support;

class WindowBuilderTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString picture_;

    ScreenDefinition Sample()
    {
        ScreenDefinition def;
        auto &d = def.description;
        d.name = "Sample";
        d.caption = QStringLiteral("样本窗口");
        d.clientWidth = 6990;
        d.clientHeight = 3195;
        d.backColour = 0x00C0FFFF;
        d.fixedPosition = TwipPoint{60, 450};
        d.controls = {
            Label("Label6", -1, {120, 360, 4935, 495}, QStringLiteral("请输入色坐标X,Y。"),
                  FontSpec{QStringLiteral("宋体"), 12}, 0x00C0FFFF, 8),
            TextEntry("T1", {1560, 840, 1455, 375}, FontSpec{QStringLiteral("宋体"), 12}, 1),
            TextEntry("T2", {3960, 840, 1445, 375}, std::nullopt, 3),
            Button("Command1", {120, 1560, 1455, 495}, QStringLiteral("计 算"),
                   FontSpec{QStringLiteral("仿宋_GB2312"), 10.5}, 4),
            Button("Command2", {5160, 1560, 1455, 495}, QStringLiteral("返 回"), std::nullopt, 2),
            Label("Label4", -1, {1680, 1680, 1095, 495}, QStringLiteral("色容差="),
                  FontSpec{QStringLiteral("宋体"), 14.25, true}, std::nullopt, 5),
            PictureBox("Picture1", {0, 2040, 900, 300}, picture_, 0),
            Image("Image3", 0, {0, 0, 5325, 210}, picture_),
            Image("Image3", 1, {2520, 0, 5325, 210}, picture_),
            Image("Image4", -1, {0, 2040, 600, 300}, picture_),
        };
        d.controls[5].visible = false;
        d.controls[5].foreColour = 0x00FF0000;
        return def;
    }

private slots:
    void initTestCase()
    {
        PrepareApplication();
        QImage image(60, 20, QImage::Format_RGB32);
        image.fill(Qt::red);
        picture_ = dir_.filePath("p.png");
        QVERIFY(image.save(picture_));
    }

    void geometryFollowsTheTwips()
    {
        ScreenNavigator nav;
        nav.SetEndAction([] {});
        nav.Register("Sample", [this] { return Sample(); });
        nav.ShowScreen("Sample");
        ScreenWindow *w = nav.Window("Sample");
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("样本窗口"));
        QCOMPARE(w->size(), QSize(466, 213));
        QCOMPARE(w->geometry().topLeft(), QPoint(4, 30));
        QCOMPARE(w->Control("Label6")->geometry(), QRect(8, 24, 329, 33));
        QCOMPARE(w->Control("T1")->geometry(), QRect(104, 56, 97, 25));
        // Both edges are rounded: 3960 + 1445 twips ends at pixel 360.
        QCOMPARE(w->Control("T2")->geometry(), QRect(264, 56, 96, 25));
        QCOMPARE(w->Control("Image3(1)")->geometry(), QRect(168, 0, 355, 14));
        // A picture keeps its own size inside a larger control.
        auto *strip = qobject_cast<QLabel *>(w->Control("Image3(0)"));
        QCOMPARE(strip->pixmap().size(), QSize(60, 20));
        QCOMPARE(strip->alignment(), Qt::AlignLeft | Qt::AlignTop);
    }

    void fontsColoursAndVisibility()
    {
        ScreenNavigator nav;
        nav.SetEndAction([] {});
        nav.Register("Sample", [this] { return Sample(); });
        nav.ShowScreen("Sample");
        ScreenWindow *w = nav.Window("Sample");

        const QFontInfo song(w->Control("Label6")->font());
        QCOMPARE(song.family(), QStringLiteral("AR PL SungtiL GB"));
        QCOMPARE(song.pixelSize(), 16);
        QCOMPARE(QFontInfo(w->Control("Command1")->font()).family(), QStringLiteral("cwTeXFangSong"));
        QCOMPARE(w->Control("Command1")->font().pixelSize(), 14);
        QVERIFY(w->Control("Label4")->font().bold());
        QCOMPARE(w->Control("Label4")->font().pixelSize(), 19);
        // No font of its own: the default control font, 宋体 9 pt.
        QCOMPARE(w->Control("T2")->font().pixelSize(), 12);
        QCOMPARE(QFontInfo(w->Control("T2")->font()).family(), QStringLiteral("AR PL SungtiL GB"));

        // &H00C0FFFF& is pale yellow: red FF, green FF, blue C0.
        QCOMPARE(PaintedAt(w, {460, 200}), QColor(0xFF, 0xFF, 0xC0));
        // Buttons and entries keep the program's shared palette.
        QCOMPARE(w->Control("Command2")->palette().cacheKey(), QApplication::palette().cacheKey());
        auto *label = w->Control("Label6");
        QVERIFY(label->autoFillBackground());
        QCOMPARE(label->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0xC0));
        QCOMPARE(w->Control("Label4")->palette().color(QPalette::WindowText), QColor(0, 0, 0xFF));
        // Without a colour of its own a label shows the button face, not the
        // window's colour.
        QCOMPARE(w->Control("Label4")->palette().color(QPalette::Window),
                 QApplication::palette().color(QPalette::Button));
        QVERIFY(w->Control("Label4")->autoFillBackground());

        QVERIFY(!w->Control("Label4")->isVisibleTo(w));
        QVERIFY(w->Control("Label6")->isVisibleTo(w));
        auto *labelWidget = qobject_cast<QLabel *>(label);
        QVERIFY(labelWidget->wordWrap());
        QCOMPARE(labelWidget->alignment(), Qt::AlignLeft | Qt::AlignTop);
    }

    void focusFollowsTheTabIndex()
    {
        ScreenNavigator nav;
        nav.SetEndAction([] {});
        nav.Register("Sample", [this] { return Sample(); });
        nav.ShowScreen("Sample");
        ScreenWindow *w = nav.Window("Sample");
        // Labels and images take no focus; the picture box does.
        QCOMPARE(FocusChain(w, 6),
                 QStringList({"Picture1", "T1", "Command2", "T2", "Command1", "Picture1"}));
        QCOMPARE(w->Control("Label6")->focusPolicy(), Qt::NoFocus);
        QCOMPARE(w->Control("Image3(0)")->focusPolicy(), Qt::NoFocus);
        // Entries, buttons and picture boxes stand above the images they
        // overlap, even images described after them.
        QCOMPARE(w->childAt(5, 140), w->Control("Picture1"));
        auto *compute = qobject_cast<QPushButton *>(w->Control("Command1"));
        QVERIFY(!compute->isDefault() && !compute->autoDefault());
    }

    void toolWindowsAreFixed()
    {
        ScreenNavigator nav;
        nav.SetEndAction([] {});
        nav.Register("Tool", [] {
            ScreenDefinition def;
            def.description.name = "Tool";
            def.description.frame = Frame::FixedToolWindow;
            def.description.clientWidth = 6780;
            def.description.clientHeight = 4695;
            def.description.fixedPosition = TwipPoint{4545, 3315};
            return def;
        });
        nav.ShowScreen("Tool");
        ScreenWindow *w = nav.Window("Tool");
        QCOMPARE(w->windowType(), Qt::Tool);
        QCOMPARE(w->minimumSize(), QSize(452, 313));
        QCOMPARE(w->maximumSize(), QSize(452, 313));
        QCOMPARE(w->geometry(), QRect(303, 221, 452, 313));
    }

    void colourCodesPutBlueInTheHighByte()
    {
        QCOMPARE(ColourFromCode(0x00FF0000), QColor(0, 0, 255));
        QCOMPARE(ColourFromCode(0x000080FF), QColor(255, 128, 0));
        QCOMPARE(ColourFromCode(0x00C0E0FF), QColor(255, 224, 192));
    }

    void timeOfDayHasSecondsAndNoZone_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("C") << "C" << "14:03:27";
        QTest::newRow("zh_CN") << "zh_CN" << "14:03:27";
        QTest::newRow("en_US") << "en_US" << "2:03:27 PM";
        QTest::newRow("de_DE") << "de_DE" << "14:03:27";
    }
    void timeOfDayHasSecondsAndNoZone()
    {
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        QCOMPARE(TimeOfDayText(QTime(14, 3, 27), QLocale(locale)).replace(QChar(0x202F), ' '),
                 expected);
    }
};

QTEST_MAIN(WindowBuilderTest)
#include "test_window_builder.moc"
