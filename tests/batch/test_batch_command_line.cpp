// The command line of both programs, run as a user runs them: exit
// statuses, the output file written whole or not at all, standard input
// and output, JSON Lines, and the summary.

#include "batch_files.h"
#include "ellipse.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace batch_testing;

namespace {

struct Run {
    int status;
    QByteArray out;
    QString err;
};

Run RunProgram(const QString &program, const QStringList &arguments, const QByteArray &input = {},
               const QStringList &variables = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &variable : variables)
        environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
    // The batch needs no display.
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, {}, "did not finish"};
    return {process.exitCode(), process.readAllStandardOutput(),
            QString::fromUtf8(process.readAllStandardError())};
}

const QString kAmbrix = QStringLiteral(AMBRIX_PROGRAM);
const QString kCendrel = QStringLiteral(CENDREL_PROGRAM);
const QStringList kGb4000{"--standard", "GB", "--cct", "4000"};

const QByteArray kGood = "id,x,y\n1,0.3805,0.3768\n2,0.38,0.38\n";
const QByteArray kOneBad = "id,x,y\n1,0.3805,0.3768\n2,abc,0.38\n3,0.44,0.40\n";

} // namespace

class TestBatchCommandLine : public QObject {
    Q_OBJECT

private slots:
    void exitStatuses();
    void existingOutputSurvivesAFailedRun();
    void outputIsWrittenWhole();
    void jsonLinesAndStandardStreams();
    void plotOfASampleCountsEveryRow();

private:
    QTemporaryDir dir_;
};

void TestBatchCommandLine::exitStatuses()
{
    const QString good = WriteFile(dir_, "good.csv", kGood);
    const QString bad = WriteFile(dir_, "bad.csv", kOneBad);
    const QString noColumn = WriteFile(dir_, "nocolumn.csv", "id,a,b\n1,0.3,0.3\n");
    const QString empty = WriteFile(dir_, "empty.csv", "");
    struct Case {
        QString program;
        QStringList arguments;
        int status;
    };
    const std::vector<Case> cases{
        {kAmbrix, QStringList{"--batch", good} + kGb4000, 0},
        {kAmbrix, QStringList{"--batch", bad} + kGb4000, 1},
        {kAmbrix, QStringList{"--batch", good, "--max-steps", "1"} + kGb4000, 1},
        {kAmbrix, QStringList{"--batch", good, "--max-steps", "3"} + kGb4000, 0},
        {kCendrel, {"--batch", good}, 0},
        {kCendrel, {"--batch", bad}, 1},
        {kAmbrix, QStringList{"--batch", noColumn} + kGb4000, 2},
        {kAmbrix, QStringList{"--batch", noColumn, "--x-column", "2", "--y-column", "b"} + kGb4000, 0},
        {kAmbrix, QStringList{"--batch", empty} + kGb4000, 2},
        {kAmbrix, QStringList{"--batch", dir_.filePath("absent.csv")} + kGb4000, 2},
        {kAmbrix, QStringList{"--batch", dir_.path()} + kGb4000, 2},
        {kAmbrix, {"--batch", good, "--standard", "ANSI", "--cct", "4500"}, 2},
        {kAmbrix, {"--batch", good, "--standard", "EU", "--cct", "4000"}, 2},
        {kAmbrix, {"--batch", good}, 2},
        {kAmbrix, QStringList{"--batch", good, "--format", "xml"} + kGb4000, 2},
        {kAmbrix, QStringList{"--batch", good, "--max-steps", "-1"} + kGb4000, 2},
        {kAmbrix, QStringList{"--batch", good, "stray"} + kGb4000, 2},
        {kAmbrix, QStringList{"--batch", good, "--no-such-option"} + kGb4000, 2},
        {kCendrel, {"--batch", good, "--standard", "GB"}, 2},
        {kAmbrix, {"--standard", "GB"}, 2},
        {kAmbrix, {"--help"}, 0},
        {kCendrel, {"--version"}, 0},
    };
    for (const Case &c : cases) {
        const Run run = RunProgram(c.program, c.arguments);
        QVERIFY2(run.status == c.status,
                 qPrintable(c.arguments.join(' ') + " gave " + QString::number(run.status) + ": " + run.err));
        if (c.status == 2)
            QVERIFY2(!run.err.isEmpty(), qPrintable(c.arguments.join(' ')));
    }
}

void TestBatchCommandLine::existingOutputSurvivesAFailedRun()
{
    const QString out = WriteFile(dir_, "kept.csv", "precious\n");
    const QString noColumn = WriteFile(dir_, "nocolumn2.csv", "id,a,b\n1,0.3,0.3\n");
    const QStringList failing[] = {
        QStringList{"--batch", noColumn, "-o", out} + kGb4000,
        QStringList{"--batch", dir_.filePath("absent.csv"), "-o", out} + kGb4000,
        QStringList{"--batch", out, "-o", out} + kGb4000,                  // IN = OUT
        QStringList{"--batch", out, "-o", dir_.filePath("./kept.csv")} + kGb4000,
    };
    for (const QStringList &arguments : failing) {
        const Run run = RunProgram(kAmbrix, arguments);
        QCOMPARE(run.status, 2);
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("precious\n"));
    }
    // Nothing is left beside it.
    QCOMPARE(QDir(dir_.path()).entryList({"kept.csv.*"}, QDir::Files), QStringList());
}

void TestBatchCommandLine::outputIsWrittenWhole()
{
    // A run with failed rows still writes every row; OUT is replaced.
    const QString in = WriteFile(dir_, "in.csv", kOneBad);
    const QString out = WriteFile(dir_, "out.csv", "old\n");
    const Run run = RunProgram(kAmbrix, QStringList{"--batch", in, "-o", out} + kGb4000);
    QCOMPARE(run.status, 1);
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines[0], QByteArray("id,x,y,steps,sdcm,cct,duv,error"));
    QVERIFY(lines[1].startsWith("1,0.3805,0.3768,2,"));
    QVERIFY(lines[2].startsWith("2,abc,0.38,,,,,"));
    QVERIFY(lines[2].contains("不是一个数"));
    QCOMPARE(lines.size(), 5); // three rows and the last line end
    QVERIFY(run.err.contains("共 3 行：已计算 2 行，失败 1 行"));
    QVERIFY(run.err.contains("1 步以内"));
}

void TestBatchCommandLine::jsonLinesAndStandardStreams()
{
    // From standard input to standard output; cendrel writes its number as
    // its screen does, E-form included.
    const QByteArray in = "name;x;y\n\"a;b\";0,3127;0,329\nbig;0,33;0,1870001\n";
    const Run run = RunProgram(kCendrel, {"--batch", "-", "--format", "json", "--decimal-comma"}, in);
    QCOMPARE(run.status, 0);
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    const QJsonObject first = QJsonDocument::fromJson(lines[0]).object();
    QCOMPARE(first.value("name").toString(), QString("a;b"));
    QCOMPARE(first.value("cct").toDouble(), 6506.0);
    QVERIFY(qAbs(first.value("cct_exact").toDouble() - 6510) < 15);
    QCOMPARE(first.value("error").toString(), QString());
    QVERIFY(lines[1].contains("\"cct\":") && lines[1].contains("E+"));
    QVERIFY(QJsonDocument::fromJson(lines[1]).isObject());
}

void TestBatchCommandLine::plotOfASampleCountsEveryRow()
{
    // 60 rated rows in two bands and a failed one; the plot keeps 10 dots,
    // its title and legend count all 60.
    struct Group {
        const char *xy;
        int rows;
    };
    const Group groups[] = {{"0.3805,0.3768", 40}, {"0.44,0.40", 20}};
    const auto *gb4000 = tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000);
    QByteArray file = "id,x,y\n";
    int id = 0;
    for (const Group &g : groups) {
        for (int i = 0; i < g.rows; ++i)
            file += QByteArray::number(++id) + ',' + g.xy + '\n';
    }
    file += "61,abc,0.3\n";
    const QString in = WriteFile(dir_, "plotted.csv", file);
    const QString plot = dir_.filePath("plotted.svg");
    const Run run = RunProgram(kAmbrix, QStringList{"--batch", in, "--plot", plot} + kGb4000, {},
                               {"NORVAK_PLOT_POINTS=10"});
    QCOMPARE(run.status, 1); // the failed row
    QFile svg(plot);
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(svg.readAll());
    QVERIFY(text.contains(QStringLiteral("批量 60 点")));
    QVERIFY(text.contains(QStringLiteral("显示 10 / 60 点")));
    for (const Group &g : groups) {
        const QList<QByteArray> xy = QByteArray(g.xy).split(',');
        const int steps = tolerance::ComputeTolerance(*gb4000, xy[0].toDouble(), xy[1].toDouble());
        const QString band = steps >= 8 ? QStringLiteral("≥8 步") : QStringLiteral("%1 步").arg(steps);
        QVERIFY2(text.contains(QStringLiteral("%1　%2 点").arg(band).arg(g.rows)), qPrintable(band));
    }
}

QTEST_GUILESS_MAIN(TestBatchCommandLine)
#include "test_batch_command_line.moc"
