// Hostile input through the real entries of a calculator screen and of the
// converter: megabyte texts, control and invisible characters, characters
// outside the BMP and broken UTF-16, full-width forms, numbers with hundreds
// of digits, numbers beyond the double range and seeded random input, typed
// key by key, pasted from the clipboard or inserted. Every press of the
// compute button must end with what the screen's rules say (a number in the
// result label, the missing-input message, or one failure message under
// "出错"), the entries must keep exactly what was put into them, and nothing
// else on the screen may change.

#include "ambrix_fixture.h"
#include "calculator_screens.h"
#include "cendrel_run.h"
#include "converter_screen.h"
#include "function_menu.h"
#include "screen_driver.h"

#include "cct_estimator.h"
#include "ellipse.h"
#include "entry.h"
#include "failures.h"
#include "number_rules.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QtTest>
#include <algorithm>
#include <bit>
#include <string>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <random>

using namespace testing_support;

namespace {

const QString kMissing = QStringLiteral("请输入色坐标x,y值后再计算");
const QString kFailureTitle = QStringLiteral("出错");
// A failure message quotes at most a few dozen characters of the offending
// text, however long it is.
constexpr qsizetype kShortMessage = 400;

QString FromStd(const std::string &text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// A text for a failure report: invisible characters and broken UTF-16 made
// visible, long texts cut.
QString Describe(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size() && out.size() < 80; ++i) {
        const QChar c = text.at(i);
        if (c.isPrint() && c != u'\\')
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    if (out.size() >= 80)
        out += QStringLiteral("... (%1 UTF-16 units)").arg(text.size());
    return '"' + out + '"';
}

// ---------------------------------------------------------------------------
// Putting a text into an entry.

enum class Way { Keys, Paste, Insert };

bool Typeable(const QString &text)
{
    if (text.size() > 40)
        return false;
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    return true;
}

// Replaces the entry's text: key by key (short printable ASCII only; other
// texts go through the clipboard), by a paste of the clipboard, or by
// QLineEdit::insert over the selected old text.
void Enter(framework::ScreenNavigator &nav, const QString &screen, const QString &key,
           const QString &text, Way way)
{
    auto *entry = ControlOf<QLineEdit>(nav, screen, key);
    QVERIFY(entry);
    if (way == Way::Keys && !Typeable(text))
        way = Way::Paste;
    switch (way) {
    case Way::Keys:
        Type(nav, screen, key, text);
        break;
    case Way::Paste:
        QGuiApplication::clipboard()->setText(text);
        entry->selectAll();
        entry->paste();
        if (text.isEmpty())
            entry->clear(); // an empty clipboard pastes nothing
        break;
    case Way::Insert:
        entry->selectAll();
        entry->insert(text);
        break;
    }
    QVERIFY2(entry->text() == text, qPrintable(key + " holds " + Describe(entry->text())
                                               + " after " + Describe(text) + " was put in"));
}

// ---------------------------------------------------------------------------
// What a screen shows, control by control.

struct ControlState {
    QString text;
    bool visible = false;
    bool operator==(const ControlState &) const = default;
};
using Snapshot = std::map<QString, ControlState>;

Snapshot Take(framework::ScreenNavigator &nav, const QString &screen)
{
    Snapshot shot;
    framework::ScreenWindow *window = nav.Window(screen);
    if (!window)
        return shot;
    for (const framework::ControlDescription &c : window->Description().controls) {
        if (window->Control(c.key()))
            shot[c.key()] = {Text(nav, screen, c.key()), Shown(nav, screen, c.key())};
    }
    return shot;
}

QString Describe(const ControlState &state)
{
    return Describe(state.text) + (state.visible ? " shown" : " hidden");
}

QString Differences(const Snapshot &want, const Snapshot &got)
{
    QString out;
    for (const auto &[key, state] : want) {
        auto it = got.find(key);
        if (it == got.end()) {
            out += key + " is gone; ";
        } else if (!(it->second == state)) {
            out += key + " is " + Describe(it->second) + ", expected " + Describe(state) + "; ";
        }
    }
    if (got.size() != want.size())
        out += QStringLiteral("%1 controls instead of %2").arg(got.size()).arg(want.size());
    return out;
}

// What one press of the compute button must do: the messages, in order (all
// under "出错"), and the captions and visibility it changes. Everything else
// stays as it was.
struct Expected {
    QStringList messages;
    std::map<QString, QString> captions;
    std::map<QString, bool> visibility;

    Snapshot After(Snapshot shot) const
    {
        for (const auto &[key, text] : captions)
            shot[key].text = text;
        for (const auto &[key, shown] : visibility)
            shot[key].visible = shown;
        return shot;
    }
};

enum class Outcome { Value, Missing, Failure };

// ---------------------------------------------------------------------------
// The screens under test and their rules, over the entry rules and the
// computations of the numeric core.

struct Subject {
    framework::ScreenNavigator *nav = nullptr;
    QString screen;
    QString resultLabel;
    // The result label's text for a point, computed directly; throws the
    // computation's failure.
    std::function<QString(double, double)> direct;
    std::function<Expected(const QString &, const QString &)> expect;
};

// The calculator reads both entries, warns about missing input, computes,
// shows "色容差=" and writes the number only for complete input.
Expected ExpectCalculator(const ambrix::CalculatorMember &m, const Subject &s, const QString &x,
                          const QString &y)
{
    Expected e;
    entry_rules::ChromaticityEntry point;
    try {
        point = entry_rules::ReadChromaticity(x.toStdString(), y.toStdString());
    } catch (const entry_rules::Failure &f) {
        e.messages << FromStd(f.userMessage());
        return e;
    }
    const bool missing = entry_rules::IsMissing(point);
    if (missing)
        e.messages << kMissing;
    QString number;
    try {
        number = s.direct(point.x, point.y);
    } catch (const entry_rules::Failure &f) {
        e.messages << FromStd(f.userMessage());
        return e;
    }
    e.visibility[m.labels->caption] = true;
    if (!missing)
        e.captions[m.labels->result] = number;
    return e;
}

// The converter reads and computes first; a missing point hides the number
// and its unit again and then says so.
Expected ExpectConverter(const Subject &s, const QString &x, const QString &y)
{
    Expected e;
    try {
        const auto point = entry_rules::ReadChromaticity(x.toStdString(), y.toStdString());
        e.captions["L5"] = s.direct(point.x, point.y);
        const bool complete = !entry_rules::IsMissing(point);
        e.visibility["L5"] = complete;
        e.visibility["L6"] = complete;
        if (!complete)
            e.messages << kMissing;
    } catch (const entry_rules::Failure &f) {
        e.messages << FromStd(f.userMessage());
    }
    return e;
}

Outcome OutcomeOf(const Expected &e)
{
    if (e.messages.isEmpty())
        return Outcome::Value;
    return e.messages.size() == 1 && e.messages[0] == kMissing ? Outcome::Missing
                                                               : Outcome::Failure;
}

// A failure message may not be broken or reordered by what the user typed:
// valid UTF-16, no control characters, no direction marks or overrides.
QString Unreadable(const QString &message)
{
    if (message.size() > kShortMessage)
        return QStringLiteral("%1 UTF-16 units long").arg(message.size());
    if (!QStringView(message).isValidUtf16())
        return QStringLiteral("broken UTF-16");
    for (char32_t c : message.toUcs4()) {
        const auto direction = QChar::direction(c);
        const bool bidiControl = direction == QChar::DirLRE || direction == QChar::DirLRO
                                 || direction == QChar::DirRLE || direction == QChar::DirRLO
                                 || direction == QChar::DirPDF || direction == QChar::DirLRI
                                 || direction == QChar::DirRLI || direction == QChar::DirFSI
                                 || direction == QChar::DirPDI;
        const bool mark = c == 0x200E || c == 0x200F || c == 0x061C;
        if (QChar::category(c) == QChar::Other_Control || bidiControl || mark)
            return QStringLiteral("holds U+%1").arg(uint(c), 4, 16, QLatin1Char('0'));
    }
    return {};
}

// Puts x and y into T1 and T2, presses the compute button and checks the
// messages, every control of the screen, the entries and the shown screens.
void PressAndCheck(const Subject &s, const QString &x, const QString &y, Way xWay, Way yWay,
                   const Expected &expected)
{
    Enter(*s.nav, s.screen, "T1", x, xWay);
    Enter(*s.nav, s.screen, "T2", y, yWay);
    if (QTest::currentTestFailed())
        return;
    const QString which = " for x " + Describe(x) + ", y " + Describe(y);
    const Snapshot before = Take(*s.nav, s.screen);
    const QStringList shownBefore = s.nav->ShownScreens();

    QList<CaughtMessage> caught;
    {
        MessageCatcher catcher;
        Click(*s.nav, s.screen, "Command1");
        caught = catcher.messages;
    }

    QStringList texts;
    for (const CaughtMessage &m : caught) {
        QVERIFY2(m.title == kFailureTitle && m.icon == QMessageBox::Information
                     && m.buttonCount == 1 && m.hasOk,
                 qPrintable("message " + Describe(m.text) + " under " + Describe(m.title) + which));
        texts << m.text;
        const QString unreadable = Unreadable(m.text);
        QVERIFY2(unreadable.isEmpty(),
                 qPrintable("message " + Describe(m.text) + " " + unreadable + which));
    }
    QVERIFY2(texts == expected.messages,
             qPrintable("messages " + Describe(texts.join(" | ")) + ", expected "
                        + Describe(expected.messages.join(" | ")) + which));

    const QString changed = Differences(expected.After(before), Take(*s.nav, s.screen));
    QVERIFY2(changed.isEmpty(), qPrintable(changed + which));
    QVERIFY2(Text(*s.nav, s.screen, "T1") == x && Text(*s.nav, s.screen, "T2") == y,
             qPrintable("an entry changed" + which));
    QCOMPARE(s.nav->ShownScreens(), shownBefore);
    QVERIFY(!QApplication::activeModalWidget());
}

// ---------------------------------------------------------------------------
// Inputs.

// The same text as a Chinese input method in full-width mode types it.
QString FullWidth(const QString &ascii)
{
    QString out;
    for (QChar c : ascii) {
        const char16_t u = c.unicode();
        out += (u >= u'!' && u <= u'~') ? QChar(char16_t(u - 0x21 + 0xFF01)) : c;
    }
    return out;
}

QString Units(std::initializer_list<char16_t> units)
{
    QString out;
    for (char16_t u : units)
        out += QChar(u);
    return out;
}

// Two neighbouring positive doubles lo < hi in [a, b] on which f differs,
// found by halving the range of their bit patterns, which run in the same
// order as the values.
template <typename F>
std::pair<double, double> NeighboursWhereItChanges(double a, double b, F f)
{
    auto lo = std::bit_cast<std::uint64_t>(a);
    auto hi = std::bit_cast<std::uint64_t>(b);
    const auto atLow = f(a);
    while (hi - lo > 1) {
        const std::uint64_t mid = lo + (hi - lo) / 2;
        if (f(std::bit_cast<double>(mid)) == atLow)
            lo = mid;
        else
            hi = mid;
    }
    return {std::bit_cast<double>(lo), std::bit_cast<double>(hi)};
}

// The exact decimal expansion of the number halfway between two neighbouring
// positive doubles: glibc's printf writes every digit of each exactly, and
// the two expansions are added and halved digit by digit.
QString ExactMidpoint(double lo, double hi)
{
    char a[512], b[512];
    std::snprintf(a, sizeof a, "%.400f", lo);
    std::snprintf(b, sizeof b, "%.400f", hi);
    std::string x(a), y(b);
    const size_t point = std::max(x.find('.'), y.find('.'));
    x.insert(0, point - x.find('.'), '0');
    y.insert(0, point - y.find('.'), '0');
    x.erase(point, 1);
    y.erase(point, 1);
    // Sum, then halve with one more fraction digit.
    std::string sum(x.size() + 1, '0');
    int carry = 0;
    for (size_t i = x.size(); i-- > 0;) {
        const int d = (x[i] - '0') + (y[i] - '0') + carry;
        sum[i + 1] = char('0' + d % 10);
        carry = d / 10;
    }
    sum[0] = char('0' + carry);
    sum.push_back('0');
    std::string half;
    int rest = 0;
    for (char c : sum) {
        const int d = rest * 10 + (c - '0');
        half.push_back(char('0' + d / 2));
        rest = d % 2;
    }
    // sum has one leading digit more, and half one fraction digit more.
    half.insert(point + 1, ".");
    QString text = QString::fromStdString(half);
    while (text.size() > 1 && text.startsWith('0') && text.at(1) != '.')
        text.remove(0, 1);
    while (text.endsWith('0'))
        text.chop(1);
    return text;
}

// Seeded input: raw UTF-16 units (lone surrogates included), random bytes
// read as UTF-8, strings over the characters numbers are made of, and
// numbers in every accepted form with now and then one character changed,
// so that all outcomes come up often.
class RandomInput {
public:
    explicit RandomInput(std::uint32_t seed) : rng_(seed) {}

    QString Next()
    {
        static const QString alphabet = QStringLiteral(
            "0123456789000..++--eE  ０１２３４５６７８９．。＋－ｅＥ\u2212\u3000\u00A0\t,x");
        const unsigned length = Below(16);
        QString text;
        switch (Below(4)) {
        case 0:
            for (unsigned i = 0; i < length; ++i)
                text += QChar(char16_t(Below(0x10000)));
            break;
        case 1: {
            QByteArray bytes;
            for (unsigned i = 0; i < length; ++i)
                bytes += char(Below(256));
            text = QString::fromUtf8(bytes);
            break;
        }
        case 2:
            for (unsigned i = 0; i < length; ++i)
                text += alphabet.at(Below(unsigned(alphabet.size())));
            break;
        default:
            text = Number();
            if (Below(3) == 0 && !text.isEmpty())
                text[Below(unsigned(text.size()))] = alphabet.at(Below(unsigned(alphabet.size())));
            break;
        }
        return text;
    }

    unsigned Below(unsigned n) { return unsigned(rng_() % n); }

private:
    // A number near the chromaticity range, zero now and then, in ASCII or
    // full-width digits, with blanks, a sign or an exponent.
    QString Number()
    {
        QString text = Below(8) == 0 ? QStringLiteral("0") : QStringLiteral("0.");
        for (unsigned i = 0, n = Below(8); i < n; ++i)
            text += QChar(u'0' + Below(10));
        if (Below(4) == 0)
            text += QStringLiteral("e%1%2").arg(Below(2) ? "-" : "").arg(Below(3));
        if (Below(4) == 0)
            text.prepend(Below(2) ? "-" : "+");
        if (Below(3) == 0)
            text = FullWidth(text);
        if (Below(4) == 0)
            text = "\u3000" + text + " ";
        return text;
    }

    std::mt19937 rng_;
};

// The worked example of each screen under test: a point and the number it
// shows.
struct Example {
    QString x, y, shown;
};
Example ExampleOf(const QString &screen)
{
    if (screen == "US3500K")
        return {"0.41", "0.39", "2"};
    if (screen == cendrel::kConverterScreen)
        return {"0.3127", "0.329", "6506"};
    return {"0.3127", "0.329", "5"}; // CN6500K
}

} // namespace

Q_DECLARE_METATYPE(Outcome)

class TortureTest : public QObject {
    Q_OBJECT

    std::unique_ptr<AmbrixRun> ambrix_;
    std::unique_ptr<CendrelRun> cendrel_;

    // Opens the screen the way its program reaches it and describes it.
    Subject Open(const QString &screen)
    {
        Subject s;
        s.screen = screen;
        if (screen == cendrel::kConverterScreen) {
            cendrel_ = std::make_unique<CendrelRun>(cendrel::kMenuScreen);
            cendrel_->nav.GoToScreen(cendrel::kMenuScreen, screen);
            Settle();
            // The clock would change Label7 under the comparison.
            if (auto *clock = cendrel_->nav.Window(screen)->findChild<QTimer *>("Timer1"))
                clock->stop();
            s.nav = &cendrel_->nav;
            s.resultLabel = "L5";
            s.direct = [](double x, double y) {
                return FromStd(entry_rules::WholeNumberText(cct_estimator::EstimateCct(x, y)));
            };
            s.expect = [s](const QString &x, const QString &y) { return ExpectConverter(s, x, y); };
            return s;
        }
        ambrix_ = std::make_unique<AmbrixRun>();
        ambrix_->Open(screen);
        s.nav = &ambrix_->nav;
        const auto &members = ambrix::CalculatorMembers();
        const auto &member = *std::find_if(members.begin(), members.end(),
                                           [&](const auto &m) { return m.screen == screen; });
        s.resultLabel = member.labels->result;
        const tolerance::ToleranceEllipse *ellipse =
            tolerance::FindEllipse(member.standard, member.nominalCct);
        s.direct = [ellipse](double x, double y) {
            return FromStd(entry_rules::IntegerText(tolerance::ComputeTolerance(*ellipse, x, y)));
        };
        s.expect = [&member, s](const QString &x, const QString &y) {
            return ExpectCalculator(member, s, x, y);
        };
        return s;
    }

    // One press, checked, with the outcome the case is meant to have.
    void Check(const Subject &s, const QString &x, const QString &y, Outcome outcome,
               const QString &shown, Way xWay, Way yWay)
    {
        const Expected expected = s.expect(x, y);
        QVERIFY2(OutcomeOf(expected) == outcome,
                 qPrintable("the case x " + Describe(x) + ", y " + Describe(y)
                            + " does not have the outcome it is meant to have"));
        if (!shown.isEmpty())
            QCOMPARE(expected.captions.at(s.resultLabel), shown);
        PressAndCheck(s, x, y, xWay, yWay, expected);
    }

private slots:
    void initTestCase() { framework::PrepareApplication(); }
    void cleanup()
    {
        ambrix_.reset();
        cendrel_.reset();
        Settle();
    }

    // Texts nobody types on purpose, each with a good value in the other
    // entry, on one calculator of each standard and the converter.
    void hostileTextsGiveTheRightOutcome_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("shown"); // the number for a value, when known

        const QString hundredZeros(100, '0');
        for (const QString screen : {"CN6500K", "US3500K", "F4"}) {
            const Example ex = ExampleOf(screen);
            auto row = [&](const char *name, const QString &x, const QString &y, Outcome outcome,
                           const QString &shown = {}) {
                QTest::newRow(qPrintable(screen + ": " + name)) << screen << x << y << outcome
                                                                << shown;
            };
            using enum Outcome;
            // Valid forms of the example: the same number must come out.
            row("full-width", FullWidth(ex.x), FullWidth(ex.y), Value, ex.shown);
            row("ideographic point and blanks", "\u3000" + QString(ex.x).replace('.', "。"),
                "\u00A0" + ex.y + "\t", Value, ex.shown);
            row("full-width exponent, minus sign", FullWidth(ex.x + "e") + "\u22120",
                ex.y + "Ｅ＋０", Value, ex.shown);
            row("hundreds of digits", ex.x + QString(300, '0') + "1",
                QString(300, '0') + ex.y + QString(300, '0'), Value, ex.shown);
            row("hundreds of digits and an exponent",
                QString(ex.x).remove("0.") + hundredZeros + "e-"
                    + QString::number(ex.x.size() - 2 + hundredZeros.size()),
                "0.0000" + QString(ex.y).remove("0.") + "e4", Value, ex.shown);
            // Too small for a double: zero, so the point is missing.
            row("1e-400 in x", "1e-400", ex.y, Missing);
            row("-1e-400 in y", ex.x, "-1e-400", Missing);
            row("zero with a 1000-digit exponent", "0e" + QString(1000, '9'), ex.y, Missing);
            row("a one far behind the point", "0." + QString(400, '0') + "1", ex.y, Missing);
            row("an exponent beyond any integer", "1e-" + QString(40, '9'), ex.y, Missing);
            // Too large for a double.
            row("1e400 in x", "1e400", ex.y, Failure);
            row("-1e400 in y", ex.x, "-1e400", Failure);
            row("a 400-digit whole number", "1" + QString(400, '0'), ex.y, Failure);
            row("a positive exponent beyond any integer", ex.x, "1e+" + QString(40, '9'), Failure);
            // Signs and points alone.
            row("lone plus", "+", ex.y, Failure);
            row("lone minus", ex.x, "-", Failure);
            row("lone point", ".", ex.y, Failure);
            row("minus point", "-.", ex.y, Failure);
            row("lone minus in y, x empty", "", "-", Failure);
            row("exponent without digits", ex.x + "e", ex.y, Failure);
            // Characters that are no part of a number.
            row("NUL inside", ex.x + QChar(u'\0') + "1", ex.y, Failure);
            row("NUL alone", QString(QChar(u'\0')), ex.y, Failure);
            row("control characters", "\x01\x07" + ex.x + "\x1b", ex.y, Failure);
            row("line break", ex.x, ex.y + "\n", Failure);
            row("DEL and C1", ex.x + "\x7f" + QChar(0x85), ex.y, Failure);
            row("emoji", ex.x + "😀", ex.y, Failure);
            row("mathematical digits", "𝟎.𝟑", ex.y, Failure);
            row("lone high surrogate", QChar(0xD83D) + ex.x, ex.y, Failure);
            row("lone low surrogate", ex.x, ex.y + QChar(0xDE00), Failure);
            row("reversed surrogates", Units({0xDE00, 0xD83D}), ex.y, Failure);
            row("right-to-left mark", "\u200F" + ex.x, ex.y, Failure);
            row("right-to-left override", ex.x, "\u202E" + ex.y, Failure);
            row("isolate and zero-width joiner", "\u2067" + ex.x + "\u200D\u2069", ex.y,
                Failure);
            row("thirty overrides", QString(30, QChar(0x202E)), ex.y, Failure);
            row("markup", "<b>" + ex.x + "</b>", ex.y, Failure);
            row("combining accent", ex.x + "\u0301", ex.y, Failure);
            row("Arabic-Indic digits", "٠٫٣", ex.y, Failure);
            row("blanks only", "\u3000 \t", ex.y, Failure);
            row("comma as point", QString(ex.x).replace('.', ','), ex.y, Failure);
        }
    }

    void hostileTextsGiveTheRightOutcome()
    {
        QFETCH(QString, screen);
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(Outcome, outcome);
        QFETCH(QString, shown);
        const Subject s = Open(screen);
        // Once on a fresh screen, once over a shown result; by paste and by
        // insert, and key by key where the text can be typed.
        const Example ex = ExampleOf(screen);
        Check(s, x, y, outcome, shown, Way::Paste, Way::Insert);
        if (QTest::currentTestFailed())
            return;
        Check(s, ex.x, ex.y, Outcome::Value, ex.shown, Way::Keys, Way::Keys);
        if (QTest::currentTestFailed())
            return;
        Check(s, x, y, outcome, shown, Way::Keys, Way::Paste);
    }

    // A number written with hundreds of digits reads as the double nearest
    // to it. Two neighbouring doubles on which the shown number differs are
    // found first; the texts just above, just below and exactly at their
    // midpoint must show the number of the upper one, of the lower one, and
    // of the one whose last mantissa bit is even.
    void longNumbersAreRoundedCorrectly_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::newRow("CN6500K") << "CN6500K" << 0.36 << 0.37;
        QTest::newRow("US3500K") << "US3500K" << 0.45 << 0.46;
        QTest::newRow("F4") << "F4" << 0.30 << 0.31;
    }

    void longNumbersAreRoundedCorrectly()
    {
        QFETCH(QString, screen);
        QFETCH(double, from);
        QFETCH(double, to);
        const Subject s = Open(screen);
        const Example ex = ExampleOf(screen);
        const double y = ex.y.toDouble();
        auto shown = [&](double x) { return s.direct(x, y); };
        const auto [lo, hi] = NeighboursWhereItChanges(from, to, shown);
        QCOMPARE(std::nextafter(lo, 1.0), hi);
        QVERIFY(shown(lo) != shown(hi));

        const QString mid = ExactMidpoint(lo, hi);
        QVERIFY2(mid.endsWith('5') && mid.size() > 50, qPrintable(mid));
        const QString nines(300, '9');
        const QString above = mid + QString(300, '0') + "1";
        const QString below = mid.chopped(1) + "4" + nines;
        const double even = (std::bit_cast<std::uint64_t>(lo) & 1) == 0 ? lo : hi;
        Check(s, above, ex.y, Outcome::Value, shown(hi), Way::Paste, Way::Keys);
        Check(s, below, ex.y, Outcome::Value, shown(lo), Way::Insert, Way::Keys);
        Check(s, mid, ex.y, Outcome::Value, shown(even), Way::Paste, Way::Keys);
        Check(s, QString(200, '0') + above + " ", ex.y, Outcome::Value, shown(hi), Way::Insert,
              Way::Keys);
    }

    // Megabyte texts, pasted, two only (laying out a megabyte in an entry
    // is slow): a number with a million digits must give its value, and
    // garbage a failure message that quotes only the start of it.
    void megabyteTexts_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<bool>("garbage");
        QTest::newRow("CN6500K, a million digits in T1") << "CN6500K" << false;
        QTest::newRow("F4, a megabyte of garbage in T2") << "F4" << true;
    }

    void megabyteTexts()
    {
        QFETCH(QString, screen);
        QFETCH(bool, garbage);
        const Subject s = Open(screen);
        const Example ex = ExampleOf(screen);
        constexpr qsizetype kMegabyte = 1 << 20;
        if (garbage) {
            RandomInput random(20240611);
            QString text(kMegabyte, Qt::Uninitialized);
            for (QChar &c : text)
                c = QChar(char16_t(0x21 + random.Below(0x5E)));
            Check(s, ex.x, text, Outcome::Failure, {}, Way::Keys, Way::Paste);
        } else {
            const QString digits = ex.x + QString(kMegabyte - ex.x.size() - 1, '0') + "1";
            Check(s, digits, ex.y, Outcome::Value, ex.shown, Way::Paste, Way::Keys);
        }
        // Leaves no megabyte to lay out for the windows that follow.
        Enter(*s.nav, s.screen, "T1", {}, Way::Insert);
        Enter(*s.nav, s.screen, "T2", {}, Way::Insert);
    }

    // Seeded random texts, one press after another on the same screen, so
    // that every display state meets every kind of input.
    void randomInput_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<uint>("seed");
        QTest::newRow("CN6500K") << "CN6500K" << 1u;
        QTest::newRow("F4") << "F4" << 2u;
    }

    void randomInput()
    {
        QFETCH(QString, screen);
        QFETCH(uint, seed);
        const Subject s = Open(screen);
        const Example ex = ExampleOf(screen);
        RandomInput random(seed);
        constexpr Way kWays[] = {Way::Keys, Way::Paste, Way::Insert};
        std::map<Outcome, int> seen;
        for (int i = 0; i < 150; ++i) {
            // One entry random, or both; the other holds the example's value.
            const unsigned which = random.Below(3);
            const QString x = which == 1 ? ex.x : random.Next();
            const QString y = which == 0 ? ex.y : random.Next();
            const Expected expected = s.expect(x, y);
            ++seen[OutcomeOf(expected)];
            PressAndCheck(s, x, y, kWays[random.Below(3)], kWays[random.Below(3)], expected);
            if (QTest::currentTestFailed()) {
                qWarning("case %d of seed %u", i, seed);
                return;
            }
        }
        // The input reaches all three outcomes.
        qInfo("%d values, %d missing, %d failures", seen[Outcome::Value], seen[Outcome::Missing],
              seen[Outcome::Failure]);
        QVERIFY(seen[Outcome::Value] >= 10);
        QVERIFY(seen[Outcome::Missing] >= 5);
        QVERIFY(seen[Outcome::Failure] >= 50);
    }
};

QTEST_MAIN(TortureTest)
#include "test_torture.moc"
