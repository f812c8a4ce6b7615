// The command line of both programs, run as a user runs them: exit
// statuses, the output file written whole or not at all, standard input
// and output, JSON Lines, and the summary.

#include "batch_files.h"
#include "ellipse.h"
#include "spectral_figures.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace batch_testing;

namespace {

struct Run {
    int status;
    QByteArray out;
    QString err;
};

Run RunProgram(const QString &program, const QStringList &arguments, const QByteArray &input = {},
               const QStringList &variables = {}, const QString &folder = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
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

QByteArray Contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// A shell line run in the folder, with $AMBRIX the program: for standard
// input or output redirected or closed.
Run RunShell(const QString &line, const QString &folder)
{
    return RunProgram("/bin/sh", {"-c", line}, {}, {"AMBRIX=" + kAmbrix}, folder);
}

// CSV text with every cell quoted, quotes doubled.
QByteArray CsvLine(const QStringList &cells)
{
    QStringList quoted;
    for (QString cell : cells)
        quoted << '"' + cell.replace('"', "\"\"") + '"';
    return quoted.join(',').toUtf8() + '\n';
}
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
    void specialOutputFiles();
    void noFileWrittenOverAnother();
    void messagesSayWhatIsWrong();
    void outputReadsBackElsewhere();
    void spectralColumnsAndLimits();
    void binFiles();
    void everyCgatsSetIsARow();
    void threadsGiveTheSameBytes();
    void chineseNamesEverywhere();
    void windowsDevicesPipesAndSpellings();
    void interruptLeavesTheOutputAsItWas();
    void severalFilesFoldersAndTm27Out();

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
        // A folder reads the files in it, each a row or a failed row; a
        // folder with none is a usage error.
        {kAmbrix, QStringList{"--batch", dir_.path()} + kGb4000, 1},
        {kAmbrix, QStringList{"--batch", QDir(dir_.path()).mkpath("none") ? dir_.filePath("none") : ""} + kGb4000, 2},
        {kAmbrix, {"--batch", good, "--standard", "ANSI", "--cct", "4500"}, 2},
        {kAmbrix, {"--batch", good, "--standard", "EU", "--cct", "4000"}, 2},
        {kAmbrix, {"--batch", good}, 2},
        {kAmbrix, QStringList{"--batch", good, "--format", "xml"} + kGb4000, 2},
        {kAmbrix, QStringList{"--batch", good, "--max-steps", "-1"} + kGb4000, 2},
        // More files after IN: one that is not there is a failed row.
        {kAmbrix, QStringList{"--batch", good, "stray"} + kGb4000, 1},
        {kAmbrix, QStringList{"--batch", good, "-"} + kGb4000, 2},
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
    QCOMPARE(lines[0], QByteArray("id,x,y,steps,sdcm,cct,duv,ansi,error"));
    QVERIFY(lines[1].startsWith("1,0.3805,0.3768,2,"));
    QVERIFY(lines[2].startsWith("2,abc,0.38,,,,,,"));
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

void TestBatchCommandLine::specialOutputFiles()
{
#ifdef _WIN32
    QSKIP("character devices, FIFOs, sockets, symlinks and modes are POSIX's; "
          "windowsDevicesPipesAndSpellings is the Windows counterpart");
#else
    // A device, FIFO or socket at OUT is written, never replaced; a symlink
    // leads to the file that gets the content, and stays; a hard-linked OUT
    // is a new file, its other name keeps the old content; a new OUT follows
    // the umask, an old one keeps its mode; a name of 254 bytes is written.
    QTemporaryDir dir;
    const QString in = WriteFile(dir, "in.csv", kGood);
    const QByteArray rated = RunProgram(kAmbrix, QStringList{"--batch", in} + kGb4000).out;
    QVERIFY(rated.startsWith("id,x,y,steps"));
    auto run = [&](const QString &out) {
        return RunProgram(kAmbrix, QStringList{"--batch", in, "-o", out} + kGb4000);
    };
    auto mode = [](const QString &path) {
        struct stat info {};
        ::lstat(QFile::encodeName(path).constData(), &info);
        return info.st_mode;
    };

    const QString device = dir.filePath("null");
    QCOMPARE(::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
    const QString toDevice = dir.filePath("to-null");
    QVERIFY(QFile::link(device, toDevice));
    for (const QString &out : {device, toDevice}) {
        QCOMPARE(run(out).status, 0);
        QVERIFY(S_ISCHR(mode(device)));
    }
    QVERIFY(S_ISLNK(mode(toDevice)));

    const QString fifo = dir.filePath("fifo");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    QCOMPARE(run(fifo).status, 0);
    QByteArray fromFifo(65536, '\0');
    fromFifo.truncate(std::max<ssize_t>(0, ::read(reader, fromFifo.data(), fromFifo.size())));
    ::close(reader);
    QCOMPARE(fromFifo, rated);
    QVERIFY(S_ISFIFO(mode(fifo)));

    const QString socketPath = dir.filePath("sock");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(socketPath).constData(), sizeof address.sun_path - 1);
    QCOMPARE(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    QCOMPARE(::listen(listener, 1), 0);
    QProcess writer;
    writer.start(kAmbrix, QStringList{"--batch", in, "-o", socketPath} + kGb4000);
    const int peer = ::accept(listener, nullptr, nullptr);
    QByteArray fromSocket;
    char part[4096];
    for (ssize_t n; (n = ::read(peer, part, sizeof part)) > 0;)
        fromSocket.append(part, n);
    ::close(peer);
    ::close(listener);
    QVERIFY(writer.waitForFinished(30000));
    QCOMPARE(writer.exitCode(), 0);
    QCOMPARE(fromSocket, rated);
    QVERIFY(S_ISSOCK(mode(socketPath)));

    const QString target = WriteFile(dir, "target.csv", "old\n");
    const QString link = dir.filePath("link.csv");
    QVERIFY(QFile::link("target.csv", link)); // relative, as ln -s makes it
    QCOMPARE(run(link).status, 0);
    QVERIFY(S_ISLNK(mode(link)));
    QCOMPARE(Contents(target), rated);

    const QString hard = dir.filePath("hard.csv");
    QCOMPARE(::link(QFile::encodeName(target).constData(), QFile::encodeName(hard).constData()), 0);
    QCOMPARE(run(target).status, 0);
    QCOMPARE(Contents(hard), rated); // the old content, which was rated before
    WriteFile(dir, "hard.csv", "other name\n");
    QCOMPARE(run(target).status, 0);
    QCOMPARE(Contents(target), rated);

    const mode_t mask = ::umask(027);
    const QString fresh = dir.filePath("fresh.csv");
    QCOMPARE(run(fresh).status, 0);
    QCOMPARE(mode(fresh) & 07777, mode_t(0640));
    ::chmod(QFile::encodeName(fresh).constData(), 0604);
    QCOMPARE(run(fresh).status, 0);
    QCOMPARE(mode(fresh) & 07777, mode_t(0604));
    ::umask(mask);

    const QString longName = dir.filePath(QString(250, 'a') + ".csv");
    QCOMPARE(run(longName).status, 0);
    QCOMPARE(Contents(longName), rated);
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden);
    QCOMPARE(left.filter(".csv.").size() + left.filter(QRegularExpression("\\.[A-Za-z0-9]{6}$")).size(), 0);
#endif
}

void TestBatchCommandLine::noFileWrittenOverAnother()
{
    // IN, OUT and the plot are never the same file, by any path to it:
    // refused with status 2, everything left as it was.
#ifdef _WIN32
    QSKIP("symlinks and /bin/sh's redirections; windowsDevicesPipesAndSpellings is the Windows counterpart");
#else
    QTemporaryDir dir;
    const QString in = WriteFile(dir, "in.csv", kGood);
    const QString svg = WriteFile(dir, "in.svg", "id,x,y\n1,0.38,0.38\n");
    QVERIFY(QFile::link("in.csv", dir.filePath("alias.csv")));
    QCOMPARE(::link(QFile::encodeName(in).constData(), QFile::encodeName(dir.filePath("hard.csv")).constData()), 0);
    const QString gb = " --standard GB --cct 4000";
    const QStringList lines{
        "\"$AMBRIX\" --batch in.csv -o ./in.csv" + gb,
        "\"$AMBRIX\" --batch in.csv -o alias.csv" + gb,
        "\"$AMBRIX\" --batch in.csv -o hard.csv" + gb,
        "\"$AMBRIX\" --batch in.svg -o o.csv --plot in.svg" + gb,
        "\"$AMBRIX\" --batch in.csv -o s.png --plot s.png" + gb,
        "\"$AMBRIX\" --batch in.csv -o s.png --plot ./s.png" + gb,
        "\"$AMBRIX\" --batch - -o in.csv" + gb + " < in.csv",
        "\"$AMBRIX\" --batch - -o alias.csv" + gb + " < hard.csv",
        "\"$AMBRIX\" --batch in.csv" + gb + " >> in.csv",
        "\"$AMBRIX\" --batch - --plot in.png" + gb + " < in.png",
    };
    WriteFile(dir, "in.png", kGood);
    for (const QString &line : lines) {
        const Run run = RunShell(line, dir.path());
        QVERIFY2(run.status == 2 && run.err.contains(QStringLiteral("同一个文件")), qPrintable(line + ": " + run.err));
        QCOMPARE(Contents(in), kGood);
        QCOMPARE(Contents(svg), QByteArray("id,x,y\n1,0.38,0.38\n"));
        QCOMPARE(Contents(dir.filePath("in.png")), kGood);
        QVERIFY(!QFile::exists(dir.filePath("s.png")) && !QFile::exists(dir.filePath("o.csv")));
    }
#endif
}

void TestBatchCommandLine::messagesSayWhatIsWrong()
{
#ifdef _WIN32
    QSKIP("/bin/sh's redirections; windowsDevicesPipesAndSpellings tells a folder by its \\");
#endif
    QTemporaryDir dir;
    WriteFile(dir, "five.csv", "a,b,c,d,e\n1,2,3,4,5\n");
    WriteFile(dir, "good.csv", kGood);
    QDir(dir.path()).mkdir("folder");
    WriteFile(dir, "twice.csv", "id,x,y,x\n1,0.38,0.38,0.4\n");
    WriteFile(dir, "stray.csv", "编号,x,y\n一,0.38,0.38\n\xff二,0.38,0.38\n");
    WriteFile(dir, "quote.csv", "id,x,y\n1,0.38,0.38\n\"2,0.38,0.38\n3,0.38,0.38\n");
    // A point exactly 2 steps out, by the screens' own rule.
    const auto *gb4000 = tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000);
    double x = gb4000->x0;
    while (tolerance::ComputeTolerance(*gb4000, x, gb4000->y0) < 2)
        x += 1e-4;
    QCOMPARE(tolerance::ComputeTolerance(*gb4000, x, gb4000->y0), 2);
    WriteFile(dir, "two.csv", "x,y\n" + QByteArray::number(x, 'g', 17) + ',' + QByteArray::number(gb4000->y0) + '\n');
    const QString gb = " --standard GB --cct 4000";
    struct Case {
        QString line;
        int status;
        QString told;
    };
    const std::vector<Case> cases{
        {"--batch five.csv --x-column 99 --y-column 2" + gb, 2, "第 99 列，但文件只有 5 列"},
        {"--batch -" + gb + " <&-", 2, "没有标准输入"},
        {"--batch good.csv -o folder/" + gb, 2, "是一个文件夹"},
        {"--batch good.csv -o folder" + gb, 2, "是一个文件夹"},
        {"--batch twice.csv" + gb, 0, "第 4 列 “x” 也像 x"},
        {"--batch stray.csv" + gb, 1, "有 1 个字节不能按 UTF-8 解码（第一个在第 3 行）"},
        {"--batch quote.csv" + gb, 1, "已计算 2 行，失败 1 行"},
        {"--batch two.csv --max-steps 2" + gb, 0, "超过 2 步：0 行"},
        {"--batch two.csv --max-steps 1" + gb, 1, "超过 1 步：1 行"},
    };
    for (const Case &c : cases) {
        const Run run = RunShell("\"$AMBRIX\" " + c.line + " > rated.txt", dir.path());
        QVERIFY2(run.status == c.status && run.err.contains(c.told), qPrintable(c.line + ": " + run.err));
    }
}

void TestBatchCommandLine::outputReadsBackElsewhere()
{
    // Cells with the delimiter, quotes, backslashes, tabs and line ends, a
    // header with names alike, an unnamed column, a column named like an
    // added one and a cell beyond the header: read back by Qt's JSON reader
    // and an independent CSV reading, every cell is there as it was.
    QTemporaryDir dir;
    const QStringList header{"id", "x", "y", "steps", "x", "", "备注"};
    const QStringList cells{"a,b", "0.38", "0.38", "say \"hi\"", "back\\slash", "tab\there", "two\nlines", "extra,1"};
    const QString in = WriteFile(dir, "cells.csv", CsvLine(header) + CsvLine(cells));
    const Run csv = RunProgram(kAmbrix, QStringList{"--batch", in} + kGb4000);
    QCOMPARE(csv.status, 0);
    const QList<QStringList> rows = ParseCsv(QString::fromUtf8(csv.out));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].mid(0, header.size()), header);
    QCOMPARE(rows[1].mid(0, header.size()), cells.mid(0, header.size()));
    QCOMPARE(rows[1].last(), cells.last());
    QCOMPARE(rows[1].size(), header.size() + 6 + 1);

    const Run json = RunProgram(kAmbrix, QStringList{"--batch", in, "--format", "json"} + kGb4000);
    QCOMPARE(json.status, 0);
    QJsonParseError error{};
    const QJsonObject object = QJsonDocument::fromJson(json.out, &error).object();
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
    QCOMPARE(object.size(), cells.size() + 6); // every key unique: none lost
    QStringList values;
    for (const QJsonValue &value : object)
        values << value.toString();
    for (const QString &cell : cells)
        QVERIFY2(values.contains(cell), qPrintable(cell));
    QVERIFY(object.value("steps").isDouble());
}


namespace {

// Three LEDs in a wide file with the instrument's own x and y.
struct WideFile {
    QByteArray text;
    std::vector<colorimetry::SpectrumFigures> figures;
};

WideFile ThreeLedFile()
{
    WideFile file;
    file.text = "编号,x,y";
    for (int nm = 380; nm <= 780; nm += 5)
        file.text += "," + QByteArray::number(nm);
    file.text += "\n";
    const double shapes[3][3]{{450, 560, 0.55}, {445, 575, 0.45}, {455, 550, 0.70}};
    for (const auto &shape : shapes) {
        const std::vector<std::string> values = LedValues(shape[0], shape[1], shape[2]);
        file.figures.push_back(colorimetry::FiguresOf(SpectrumOf(values)));
        file.text += "L" + QByteArray::number(int(file.figures.size())) + ",0.38,0.38";
        for (const std::string &v : values)
            file.text += "," + QByteArray::fromStdString(v);
        file.text += "\n";
    }
    return file;
}

} // namespace

void TestBatchCommandLine::spectralColumnsAndLimits()
{
    // The columns a spectral file adds, in order, with the library's figures
    // for each spectrum; --min-ra and --min-r9 fail a run as --max-steps does.
    const WideFile wide = ThreeLedFile();
    const QString in = WriteFile(dir_, "wide.csv", wide.text);
    const QString points = WriteFile(dir_, "points.csv", kGood);
    double leastRa = 100, leastR9 = 100;
    for (const auto &f : wide.figures) {
        leastRa = std::min(leastRa, f.rendering.ra);
        leastR9 = std::min(leastR9, f.rendering.r[8]);
    }
    const QString below = QString::number(std::floor(leastRa) - 1), above = QString::number(std::floor(leastRa) + 1);
    struct Case {
        QString program;
        QStringList arguments;
        int status;
        QString told;
    };
    const std::vector<Case> cases{
        {kAmbrix, QStringList{"--batch", in, "--min-ra", below} + kGb4000, 0, "Ra 低于"},
        {kAmbrix, QStringList{"--batch", in, "--min-ra", above} + kGb4000, 1, "或没有 Ra：1 行"},
        {kCendrel, {"--batch", in, "--min-r9", QString::number(std::floor(leastR9) - 1)}, 0, "R9 低于"},
        {kCendrel, {"--batch", in, "--min-r9", QString::number(std::floor(leastR9) + 1)}, 1, "或没有 R9：1 行"},
        {kCendrel, {"--batch", points, "--min-ra", "50"}, 1, "或没有 Ra：2 行"},
        {kAmbrix, QStringList{"--batch", in, "--min-ra", "abc"} + kGb4000, 2, "--min-ra 应为一个数"},
    };
    for (const Case &c : cases) {
        const Run run = RunProgram(c.program, c.arguments);
        QVERIFY2(run.status == c.status && run.err.contains(c.told), qPrintable(c.arguments.join(' ') + "\n" + run.err));
    }

    const Run run = RunProgram(kAmbrix, QStringList{"--batch", in} + kGb4000);
    QCOMPARE(run.status, 0);
    const QList<QStringList> rows = ParseCsv(QString::fromUtf8(run.out));
    QStringList added{"spectrum_x", "spectrum_y", "steps", "sdcm", "cct", "duv", "ra"};
    for (int i = 1; i <= 15; ++i)
        added << QString("r%1").arg(i);
    added << "peak_nm" << "fwhm_nm" << "ler" << "rf" << "rg" << "rcs_h1" << "mel_der" << "mel_elr" << "k_bv"
          << "ansi" << "error";
    QCOMPARE(rows[0].mid(3 + 81), added);
    for (std::size_t k = 0; k < wide.figures.size(); ++k) {
        const auto &f = wide.figures[k];
        const QStringList &row = rows[int(k) + 1];
        auto cell = [&](const char *name) { return row[3 + 81 + added.indexOf(name)]; };
        QCOMPARE(row[1], QString("0.38")); // the file's own x passes through
        QCOMPARE(cell("spectrum_x"), QString::number(f.xy.x, 'f', 6));
        QCOMPARE(cell("spectrum_y"), QString::number(f.xy.y, 'f', 6));
        QCOMPARE(cell("ra"), QString::number(f.rendering.ra, 'f', 2));
        QCOMPARE(cell("r9"), QString::number(f.rendering.r[8], 'f', 2));
        QCOMPARE(cell("r15"), QString::number(f.rendering.r[14], 'f', 2));
        QCOMPARE(cell("peak_nm"), QString::number(f.peakNm, 'f', 1));
        QCOMPARE(cell("fwhm_nm"), QString::number(*f.fwhmNm, 'f', 1));
        QCOMPARE(cell("ler"), QString::number(f.ler, 'f', 1));
        QCOMPARE(cell("cct"), QString::number(f.cct.cct, 'f', 1));
        QCOMPARE(cell("mel_der"), QString::number(f.health.der[colorimetry::Melanopic], 'f', 4));
        QCOMPARE(cell("k_bv"), QString::number(f.health.blueLightEfficacy, 'f', 4));
    }
    QVERIFY(run.err.contains("视黑素 DER"));
    QVERIFY(run.err.contains("光谱算出的色坐标与文件的 x、y 最多相差"));

    // x and y chosen by the user are what is rated; the spectrum's figures stay.
    const Run chosen = RunProgram(kAmbrix, QStringList{"--batch", in, "--x-column", "x", "--y-column", "3"} + kGb4000);
    QCOMPARE(chosen.status, 0);
    const QList<QStringList> chosenRows = ParseCsv(QString::fromUtf8(chosen.out));
    const int steps = tolerance::ComputeTolerance(*tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000), 0.38, 0.38);
    for (int k = 1; k <= 3; ++k) {
        QCOMPARE(chosenRows[k][3 + 81 + added.indexOf("steps")], QString::number(steps));
        QCOMPARE(chosenRows[k][3 + 81 + added.indexOf("ra")], rows[k][3 + 81 + added.indexOf("ra")]);
    }

    // The hue bins: 16 of each, rcs_h1 once; all five α-opic receptors.
    const Run bins = RunProgram(kCendrel, {"--batch", in, "--tm30-bins", "--alpha-opic", "--format", "json"});
    QCOMPARE(bins.status, 0);
    const QJsonObject object = QJsonDocument::fromJson(bins.out.split('\n')[0]).object();
    for (const char *key : {"rf", "rg", "rf_h1", "rf_h16", "rcs_h1", "rcs_h16", "sc_der", "rh_der", "mel_der",
                            "sc_elr", "lc_elr", "mel_elr", "k_bv", "ansi"})
        QVERIFY2(object.contains(key), key);
    QVERIFY(!object.contains("ev_lx")); // a relative spectrum
    QVERIFY(object.value("rf_h16").isDouble() && object.value("ansi").isString());
    QCOMPARE(QString::fromUtf8(bins.out.split('\n')[0]).count("\"rcs_h1\""), 1);
}

void TestBatchCommandLine::binFiles()
{
    // --bins adds the bin column and the yield; a bad bin file is a usage
    // error naming its line, and nothing is written.
    const QString in = WriteFile(dir_, "tray.csv", "id,x,y\n1,0.37,0.37\n2,0.39,0.39\n3,0.45,0.41\n4,abc,0.3\n");
    const QString bins = WriteFile(dir_, "bins.csv",
                                   "名称,x1,y1,x2,y2,x3,y3,x4,y4\n"
                                   "低,0.36,0.36,0.38,0.36,0.38,0.38,0.36,0.38\n"
                                   "高,0.38,0.38,0.40,0.38,0.40,0.40,0.38,0.40\n");
    const Run run = RunProgram(kAmbrix, QStringList{"--batch", in, "--bins", bins} + kGb4000);
    QCOMPARE(run.status, 1); // row 4 fails
    const QList<QStringList> rows = ParseCsv(QString::fromUtf8(run.out));
    QCOMPARE(rows[0].mid(3), (QStringList{"steps", "sdcm", "cct", "duv", "ansi", "bin", "error"}));
    QCOMPARE(rows[1][8], QString("低"));
    QCOMPARE(rows[2][8], QString("高"));
    QCOMPARE(rows[3][8], QString());
    QCOMPARE(rows[1][7], QString("4000K"));
    QVERIFY2(run.err.contains("分档产出：\n  低 1 行（25.0%）\n  高 1 行（25.0%）\n  不在任何分档 1 行（25.0%）\n"
                              "  失败 1 行（25.0%）\n"),
             qPrintable(run.err));

    const QString out = dir_.filePath("binned.csv");
    for (const auto &[text, line] : {std::pair{QByteArray("a,0.3,0.3,0.4,0.3\n"), 1},
                                     std::pair{QByteArray("n,x1,y1\nA,0.3,0.3,0.4,0.3,0.4,0.4\n"
                                                          "B,0.3,0.3,0.4,0.4,0.4,0.3,0.3,0.4\n"), 3}}) {
        const QString bad = WriteFile(dir_, "badbins.csv", text);
        const Run refused = RunProgram(kCendrel, {"--batch", in, "--bins", bad, "-o", out});
        QCOMPARE(refused.status, 2);
        QVERIFY2(refused.err.contains(QString("第 %1 行").arg(line)), qPrintable(refused.err));
        QVERIFY(!QFile::exists(out));
    }
}

namespace {

// A CGATS file of three LEDs (SAMPLE_ID 1, 2, 3) at 380–780 nm, its fields
// named falling when asked; after is what follows the last set.
QByteArray CgatsFile(const QByteArray &announced, bool falling, const QByteArray &after = "END_DATA\n")
{
    QByteArray text = "CGATS.17\nSPECTRAL_START_NM 380\nSPECTRAL_END_NM 780\nSPECTRAL_BANDS 81\n"
                      "BEGIN_DATA_FORMAT\nSAMPLE_ID";
    for (int i = 0; i <= 80; ++i)
        text += " SPEC_" + QByteArray::number(falling ? 780 - 5 * i : 380 + 5 * i);
    text += "\nEND_DATA_FORMAT\nNUMBER_OF_SETS " + announced + "\nBEGIN_DATA\n";
    const double shapes[3][3]{{450, 560, 0.55}, {445, 575, 0.45}, {455, 550, 0.70}};
    for (int k = 0; k < 3; ++k) {
        std::vector<std::string> values = LedValues(shapes[k][0], shapes[k][1], shapes[k][2]);
        if (falling)
            std::reverse(values.begin(), values.end());
        text += QByteArray::number(k + 1);
        for (const std::string &v : values)
            text += " " + QByteArray::fromStdString(v);
        text += k == 0 && announced == "3 stray" ? " 0.0003\n" : "\n";
    }
    return text + after;
}

} // namespace

void TestBatchCommandLine::everyCgatsSetIsARow()
{
    // Every set of a CGATS file, announced or held, is a rated or a failed
    // row: a stray value fails its own set only, sets lost or cut fail the
    // run, a second table is read; the field names decide the wavelengths.
    QTemporaryDir dir;
    const QByteArray good = CgatsFile("3", false);
    QByteArray stray = CgatsFile("3 stray", false);
    stray.replace("NUMBER_OF_SETS 3 stray", "NUMBER_OF_SETS 3");
    const QByteArray second = good + good.mid(good.indexOf("CGATS.17")).replace("\n1 ", "\n4 ");
    struct Case {
        const char *name;
        QByteArray text;
        int status;
        QString told;
        QString ids; // SAMPLE_ID of each row
    };
    const std::vector<Case> cases{
        {"good", good, 0, "共 3 行：已计算 3 行，失败 0 行", "1 2 3"},
        {"a stray value", stray, 1, "共 3 行：已计算 2 行，失败 1 行", "1 2 3"},
        {"END_DATA missing", CgatsFile("3", false, ""), 1, "没有以 END_DATA 结束", "1 2 3"},
        {"sets missing", CgatsFile("7", false), 1, "共 7 行：已计算 3 行，失败 4 行", "1 2 3    "},
        {"a second table", second, 0, "共 6 行：已计算 6 行", "1 2 3 4 2 3"},
        {"names falling", CgatsFile("3", true), 0, "波长按字段名读", "1 2 3"},
    };
    const QList<QStringList> goodRows = ParseCsv(QString::fromUtf8(RunProgram(kCendrel, {"--batch", WriteFile(dir, "g.txt", good)}).out));
    for (const Case &c : cases) {
        const Run run = RunProgram(kCendrel, {"--batch", WriteFile(dir, "sets.txt", c.text)});
        QVERIFY2(run.status == c.status && run.err.contains(c.told), qPrintable(QString(c.name) + ": " + run.err));
        const QList<QStringList> rows = ParseCsv(QString::fromUtf8(run.out));
        QStringList ids;
        for (const QStringList &row : rows.mid(1))
            ids << row[0];
        QCOMPARE(ids.join(' '), QString(c.ids));
        for (int k = 1; k < rows.size(); ++k) {
            if (rows[k].back().isEmpty() && k < goodRows.size())
                QCOMPARE(rows[k][1], goodRows[k][1]); // spectrum_x as in the plain file
        }
    }
}

void TestBatchCommandLine::threadsGiveTheSameBytes()
{
    // Rows rated on three threads come out exactly as on one: the rows in
    // CSV and JSON, the summary, the status, the plot and the report, on
    // files of every layout that span several blocks, with failed rows, a
    // quote left open, bytes that are not UTF-8 and bins.
    QTemporaryDir dir;
    QByteArray points = "id,x,y,note\n";
    for (int i = 0; i < 2500; ++i) {
        const double x = 0.30 + 0.0001 * ((i * 37) % 1500), y = 0.30 + 0.0001 * ((i * 53) % 1300);
        QByteArray row = QByteArray::number(i) + "," + QByteArray::number(x, 'f', 5) + ","
                         + QByteArray::number(y, 'f', 5) + ",\"ok, fine\"\n";
        if (i % 97 == 5)
            row = QByteArray::number(i) + ",abc,0.38,\n";
        if (i == 1200)
            row = QByteArray::number(i) + ",0.38,0.38,\xff\xfe bad bytes\n";
        points += row;
    }
    points += "2500,0.38,0.38,\"a quote left open\n";
    const WideFile led = ThreeLedFile();
    QByteArray wide = led.text.left(led.text.indexOf('\n') + 1);
    const QList<QByteArray> ledRows = led.text.split('\n').mid(1, 3);
    for (int i = 0; i < 700; ++i) {
        QByteArray row = ledRows[i % 3];
        if (i == 350)
            row.insert(row.indexOf(",0.") + 2, ','); // a cell too many
        wide += row + "\n";
    }
    QByteArray longFile = "波长\tA\tB\tC\n";
    const std::vector<std::string> values = LedValues(450, 560, 0.55);
    for (std::size_t k = 0; k < values.size(); ++k)
        longFile += QByteArray::number(380 + 5 * int(k)) + "\t" + QByteArray::fromStdString(values[k]) + "\t"
                    + (k == 40 ? QByteArray("x") : QByteArray::fromStdString(values[k])) + "\t0.5\n";
    QByteArray cgats = CgatsFile("600", false);
    const QByteArray set = cgats.mid(cgats.indexOf("\n1 ") + 1).split('\n').front();
    cgats.chop(qsizetype(sizeof "END_DATA\n") - 1);
    for (int k = 4; k <= 600; ++k)
        cgats += QByteArray::number(k) + set.mid(set.indexOf(' ')) + (k == 300 ? " 0.1" : "") + "\n";
    cgats += "END_DATA\n";
    const QString bins = WriteFile(dir, "bins.csv", "名称,x1,y1,x2,y2,x3,y3,x4,y4\n"
                                                    "A,0.30,0.30,0.38,0.30,0.38,0.38,0.30,0.38\n"
                                                    "B,0.38,0.30,0.45,0.30,0.45,0.45,0.38,0.45\n");
    struct Case {
        const char *name;
        QByteArray text;
        QStringList options;
    };
    // The report's date fixed, as a minute may turn between two runs.
    qputenv("SOURCE_DATE_EPOCH", "1796083200");
    const std::vector<Case> cases{
        {"points, bins", points, {"--bins", bins}},
        {"wide spectra", wide, {"--tm30-bins"}},
        {"long spectra", longFile, {}},
        {"CGATS", cgats, {"--bins", bins}},
    };
    for (const Case &c : cases) {
        const QString in = WriteFile(dir, "in.txt", c.text);
        for (const QString format : {"csv", "json"}) {
            Run runs[2];
            QByteArray plots[2], pages[2];
            for (int k = 0; k < 2; ++k) {
                const QString plot = dir.filePath(QStringLiteral("plot%1.svg").arg(k));
                const QString report = dir.filePath(QStringLiteral("r%1.png").arg(k));
                // A report of a few pages: the tray page and an LED's.
                QStringList extra;
                if (format == "csv")
                    extra << "--plot" << plot;
                if (format == "csv" && c.text.size() < 5000)
                    extra << "--report" << report;
                runs[k] = RunProgram(kAmbrix, QStringList{"--batch", in, "--format", format, "--jobs", k ? "3" : "1"}
                                                  + c.options + kGb4000 + extra);
                plots[k] = Contents(plot);
                pages[k] = Contents(report.chopped(4) + "-0001.png") + Contents(report.chopped(4) + "-0003.png");
                QFile::remove(plot);
            }
            const QString what = QString(c.name) + " " + format;
            QVERIFY2(runs[0].out.size() > 500 && runs[0].status == 1, qPrintable(what + ": " + runs[0].err));
            QVERIFY2(runs[1].out == runs[0].out, qPrintable(what));
            QCOMPARE(runs[1].err.replace("plot1.svg", "plot0.svg").replace("r1.png", "r0.png").replace("r1-0", "r0-0"), runs[0].err);
            QCOMPARE(runs[1].status, runs[0].status);
            QVERIFY2(plots[1] == plots[0] && pages[1] == pages[0], qPrintable(what));
        }
    }
    qunsetenv("SOURCE_DATE_EPOCH");
}

void TestBatchCommandLine::chineseNamesEverywhere()
{
    // A folder and files named in Chinese, with a blank, as IN, OUT, --bins,
    // --plot and --report (written with the platform's separators): the
    // same rows and summary as under plain names.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("测试数据")));
    const QByteArray rows = "id,x,y\n1,0.37,0.37\n2,0.39,0.39\n3,0.45,0.41\n";
    const QByteArray bins = "名称,x1,y1,x2,y2,x3,y3,x4,y4\n低,0.36,0.36,0.38,0.36,0.38,0.38,0.36,0.38\n";
    const auto named = [&](const QString &name) { return QDir::toNativeSeparators(dir.filePath(name)); };
    WriteFile(dir, QStringLiteral("测试数据/灯珠 批次1.csv"), rows);
    WriteFile(dir, QStringLiteral("测试数据/分档 1.csv"), bins);
    WriteFile(dir, "plain.csv", rows);
    WriteFile(dir, "bins.csv", bins);
    const Run chinese = RunProgram(
        kAmbrix, QStringList{"--batch", named(QStringLiteral("测试数据/灯珠 批次1.csv")), "-o",
                             named(QStringLiteral("测试数据/结果 1.csv")), "--bins", named(QStringLiteral("测试数据/分档 1.csv")),
                             "--plot", named(QStringLiteral("测试数据/色品图.svg")), "--report",
                             named(QStringLiteral("测试数据/报告.pdf"))} + kGb4000);
    const Run plain = RunProgram(kAmbrix, QStringList{"--batch", named("plain.csv"), "-o", named("out.csv"), "--bins",
                                                      named("bins.csv"), "--plot", named("plot.svg"), "--report",
                                                      named("r.pdf")} + kGb4000);
    QVERIFY2(chinese.status == plain.status && chinese.status == 0, qPrintable(chinese.err));
    QCOMPARE(chinese.err, plain.err);
    QCOMPARE(Contents(named(QStringLiteral("测试数据/结果 1.csv"))), Contents(named("out.csv")));
    QVERIFY(Contents(named(QStringLiteral("测试数据/色品图.svg"))).contains("<svg"));
    QVERIFY(Contents(named(QStringLiteral("测试数据/报告.pdf"))).startsWith("%PDF"));
}

void TestBatchCommandLine::windowsDevicesPipesAndSpellings()
{
#ifndef _WIN32
    QSKIP("Windows' devices, named pipes and spellings of a path; specialOutputFiles and "
          "noFileWrittenOverAnother are the POSIX counterparts");
#else
    QTemporaryDir dir;
    const QString in = WriteFile(dir, "In.csv", kGood);
    const QByteArray rated = RunProgram(kAmbrix, QStringList{"--batch", in} + kGb4000).out;
    QVERIFY(rated.startsWith("id,x,y,steps"));
    const auto entries = [&] {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
    };

    // NUL is written where it is, never replaced: nothing beside it.
    QCOMPARE(RunProgram(kAmbrix, QStringList{"--batch", in, "-o", "NUL"} + kGb4000, {}, {}, dir.path()).status, 0);
    QCOMPARE(entries(), QStringList{"In.csv"});

    // A named pipe gets the rows through it.
    const std::wstring pipeName = L"\\\\.\\pipe\\norvak-test-" + std::to_wstring(GetCurrentProcessId());
    const HANDLE pipe = CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0,
                                         1 << 16, 0, nullptr);
    QVERIFY(pipe != INVALID_HANDLE_VALUE);
    QProcess writer;
    writer.start(kAmbrix, QStringList{"--batch", in, "-o", QString::fromStdWString(pipeName)} + kGb4000);
    const bool connected = ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED;
    QByteArray fromPipe;
    char part[4096];
    for (DWORD n = 0; connected && ::ReadFile(pipe, part, sizeof part, &n, nullptr) && n > 0;)
        fromPipe.append(part, n);
    CloseHandle(pipe);
    QVERIFY(writer.waitForFinished(30000));
    QCOMPARE(writer.exitCode(), 0);
    QCOMPARE(fromPipe, rated);

    // IN = OUT however the path is spelt: letter case, / or \, a folder
    // there and back, a hard link, standard input. Refused; nothing changed.
    QVERIFY(QDir(dir.path()).mkdir("sub"));
    const QString hard = dir.filePath("hard.csv");
    QVERIFY(CreateHardLinkW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(hard).utf16()),
                            reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(in).utf16()), nullptr));
    const QString native = QDir::toNativeSeparators(in);
    const QStringList spellings{native.toUpper(), in, QDir::toNativeSeparators(dir.filePath("sub/../in.CSV")), hard};
    for (const QString &out : spellings) {
        const Run run = RunProgram(kAmbrix, QStringList{"--batch", native, "-o", out} + kGb4000);
        QVERIFY2(run.status == 2 && run.err.contains(QStringLiteral("同一个文件")), qPrintable(out + ": " + run.err));
    }
    QProcess fromStdin;
    fromStdin.setStandardInputFile(in);
    fromStdin.start(kAmbrix, QStringList{"--batch", "-", "-o", native.toLower()} + kGb4000);
    QVERIFY(fromStdin.waitForFinished(30000));
    QCOMPARE(fromStdin.exitCode(), 2);
    QCOMPARE(Contents(in), kGood);
    QCOMPARE(entries(), (QStringList{"hard.csv", "In.csv"}));

    // A folder named with \ is told as a folder, the example with \ too.
    const Run folder = RunProgram(kAmbrix, QStringList{"--batch", in, "-o", QDir::toNativeSeparators(dir.path()) + "\\sub\\"} + kGb4000);
    QVERIFY2(folder.status == 2 && folder.err.contains(QStringLiteral("是一个文件夹"))
                 && folder.err.contains(QStringLiteral("sub\\rated.csv")), qPrintable(folder.err));

    // The window program, given the batch, writes to the streams it is
    // given and gives its exit status.
    const Run window = RunProgram(QStringLiteral(AMBRIX_WINDOW_PROGRAM), QStringList{"--batch", in} + kGb4000);
    QCOMPARE(window.status, 0);
    QCOMPARE(window.out, rated);
    QVERIFY(window.err.contains(QStringLiteral("已计算 2 行")));
#endif
}

void TestBatchCommandLine::interruptLeavesTheOutputAsItWas()
{
    // Interrupted while it writes (SIGINT; on Windows Ctrl+Break from the
    // console), the run ends and OUT is as it was, with nothing beside it.
    QTemporaryDir dir;
    const QString out = WriteFile(dir, "out.csv", "precious\n");
    QProcess process;
#ifdef _WIN32
    // A console to share (a test run with its streams redirected has none),
    // and a process group of its own, so that the event reaches it alone.
    AllocConsole();
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *arguments) {
        arguments->flags = (arguments->flags & ~DWORD(CREATE_NO_WINDOW)) | CREATE_NEW_PROCESS_GROUP;
    });
#endif
    process.start(kAmbrix, QStringList{"--batch", "-", "-o", out, "--jobs", "1"} + kGb4000);
    QVERIFY(process.waitForStarted(30000));
    process.write("id,x,y\n");
    for (int i = 0; i < 2000; ++i)
        process.write(QByteArray::number(i) + ",0.38,0.38\n");
    QVERIFY(process.waitForBytesWritten(30000));
    // Once the temporary file is there, the rows still coming.
    const auto entries = [&] { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System); };
    for (int waited = 0; waited < 30000 && entries().size() < 2; waited += 10)
        QTest::qWait(10);
    QCOMPARE(entries().size(), 2);
#ifdef _WIN32
    if (!GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, DWORD(process.processId()))) {
        const DWORD error = GetLastError();
        process.kill();
        process.waitForFinished(30000);
        // Wine's consoles refuse the event (error 12).
        QSKIP(qPrintable(QStringLiteral("the console takes no Ctrl+Break (error %1)").arg(error)));
    }
#else
    ::kill(pid_t(process.processId()), SIGINT);
#endif
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    QCOMPARE(Contents(out), QByteArray("precious\n"));
    QCOMPARE(entries(), QStringList{"out.csv"});
}

void TestBatchCommandLine::severalFilesFoldersAndTm27Out()
{
    // A folder of TM-27 documents reads as one table in name order, each
    // row named by its file, a file that cannot be read a failed row; files
    // with their columns in another order line up by name; every rated
    // spectrum goes out as a TM-27 file that reads back with the same
    // figures; the export may not go where the inputs are.
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("tray");
    const QString tray = dir.filePath("tray");
    const QByteArray header = "<Manufacturer>Acme</Manufacturer><Description>批次 7</Description>";
    const double shapes[3][3]{{450, 560, 0.55}, {445, 575, 0.45}, {455, 550, 0.70}};
    for (int k = 0; k < 3; ++k) {
        const std::vector<std::string> values = LedValues(shapes[k][0], shapes[k][1], shapes[k][2]);
        WriteFile(dir, QStringLiteral("tray/LED%1.spdx").arg(k == 2 ? 10 : k + 1),
                  SpdxText(values, k == 1 ? "" : "http://www.ies.org/iestm2714", header, k == 1));
    }
    WriteFile(dir, "tray/LED3.spdx", "<IESTM2714><Header>\n</IESTM2714>");
    WriteFile(dir, "tray/readme.md", "not a measurement");
    const Run folder = RunProgram(kCendrel, {"--batch", tray});
    QCOMPARE(folder.status, 1);
    QList<QStringList> rows = ParseCsv(QString::fromUtf8(folder.out));
    QCOMPARE(rows[0].mid(0, 3), (QStringList{"文件", "样品", "Manufacturer"}));
    QStringList files;
    for (const QStringList &row : rows.mid(1))
        files << row[0] + ":" + row[1];
    QCOMPARE(files, (QStringList{"LED1.spdx:LED1", "LED2.spdx:LED2", "LED3.spdx:LED3", "LED10.spdx:LED10"}));
    QVERIFY2(rows[3].back().contains("第 2 行") && rows[1].back().isEmpty(), qPrintable(rows[3].back()));
    QVERIFY2(folder.err.contains("另有 1 项"), qPrintable(folder.err));

    // Two CSV files whose columns stand in another order.
    const QString a = WriteFile(dir, "a.csv", "id,x,y\nA1,0.3805,0.3768\n");
    const QString b = WriteFile(dir, "b.csv", "y,x,id,note\n0.3768,0.3805,B1,re-measured\n");
    const Run two = RunProgram(kCendrel, {"--batch", a, b});
    QCOMPARE(two.status, 0);
    rows = ParseCsv(QString::fromUtf8(two.out));
    QCOMPARE(rows[1].mid(0, 4), (QStringList{"a.csv", "A1", "0.3805", "0.3768"}));
    QCOMPARE(rows[2].mid(0, 4), (QStringList{"b.csv", "B1", "0.3805", "0.3768"}));
    QCOMPARE(rows[2].back(), QString("re-measured")); // no column takes it: after the rating's
    QCOMPARE(rows[2].mid(4, rows[2].size() - 5), rows[1].mid(4));

    // Out as TM-27, and back.
    const QString out = dir.filePath("out");
    const Run exported = RunProgram(kCendrel, {"--batch", tray, "--export-spdx", out});
    QVERIFY2(exported.err.contains("已写出 3 个 TM-27 文件"), qPrintable(exported.err));
    const QStringList written = QDir(out).entryList(QDir::Files, QDir::Name);
    QCOMPARE(written, (QStringList{"LED1.spdx", "LED10.spdx", "LED2.spdx"}));
    QVERIFY(Contents(out + "/LED1.spdx").contains("<Manufacturer>Acme</Manufacturer>"));
    QVERIFY(Contents(out + "/LED1.spdx").contains("<DocumentCreator>cendrel"));
    const QList<QStringList> before = ParseCsv(QString::fromUtf8(folder.out));
    const QList<QStringList> after = ParseCsv(QString::fromUtf8(RunProgram(kCendrel, {"--batch", out}).out));
    const qsizetype x = before[0].indexOf("spectrum_x");
    QVERIFY(x > 0 && after[0].indexOf("spectrum_x") == x);
    for (int k : {1, 2})
        QCOMPARE(after[k].mid(x), before[k].mid(x)); // LED1, LED2: every figure alike
    QCOMPARE(after[3].mid(x), before[4].mid(x));     // LED10
    QCOMPARE(RunProgram(kCendrel, {"--batch", tray, "--export-spdx", tray}).status, 2);
    // A rerun does not read its own output among the inputs.
    const Run again = RunProgram(kCendrel, {"--batch", tray, "-o", tray + "/rated.csv"});
    const Run twice = RunProgram(kCendrel, {"--batch", tray, "-o", tray + "/rated.csv"});
    QCOMPARE(twice.status, again.status);
    QCOMPARE(ParseCsv(QString::fromUtf8(Contents(tray + "/rated.csv"))).size(), 5);
}

QTEST_GUILESS_MAIN(TestBatchCommandLine)
#include "test_batch_command_line.moc"
