#include "report_file.h"

#include "export.h"
#include "file_sequence.h"
#include "row_pipeline.h"
#include "report_pages.h"
#include "tray_tally.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>

#include "file_system.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <unordered_map>

namespace report {

namespace {

constexpr int kDpi = 96;

// The UTF-8 name the batch's files go by on every platform.
std::string Native(const QString &path)
{
    return path.toStdString();
}

QString Utf8(const std::string &text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

batch::Identity Named(const QString &path)
{
    return {"“" + path.toStdString() + "”", Native(path)};
}

QString SameFileProblem(const QString &what, const batch::Identity &other)
{
    return QStringLiteral("%1与%2是同一个文件，写报告会覆盖它。请换一个文件名。").arg(what, Utf8(other.name));
}

// The pages of a PNG report named like path: "r.png" gives r-0001.png and
// on, the number with at least four digits.
class PageNames {
public:
    explicit PageNames(const QString &path)
    {
        const QFileInfo info(path);
        folder_ = info.path();
        const QString name = info.fileName();
        prefix_ = path.left(path.size() - name.size());
        const qsizetype dot = name.lastIndexOf('.');
        pattern_.setPattern(QStringLiteral("^%1-(\\d{4,})%2$")
                                .arg(QRegularExpression::escape(name.left(dot)),
                                     QRegularExpression::escape(name.mid(dot))));
    }
    // Whether a name in the folder is one of them; digits and number as it has them.
    bool Matches(const QString &name, qsizetype *digits = nullptr, qulonglong *number = nullptr) const
    {
        const QRegularExpressionMatch match = pattern_.match(name);
        if (!match.hasMatch())
            return false;
        if (digits)
            *digits = match.capturedLength(1);
        if (number)
            *number = match.captured(1).toULongLong();
        return true;
    }
    // The names of the folder's entries that are, in order (a dangling
    // symlink, a folder or a FIFO included).
    QStringList InFolder() const
    {
        QStringList names;
        for (const QString &name : QDir(folder_).entryList(QDir::AllEntries | QDir::System | QDir::Hidden
                                                               | QDir::NoDotAndDotDot,
                                                           QDir::Name)) {
            if (Matches(name))
                names << name;
        }
        return names;
    }
    // The page's path as the report's path is written ("r-0002.png", "out/r-0002.png").
    QString PathOf(const QString &name) const { return prefix_ + name; }
    const QString &folder() const { return folder_; }

private:
    QString folder_;
    QString prefix_;
    QRegularExpression pattern_;
};

// Whether a page of any number could be one of the others: a page there
// now that is, or another whose place (links followed) has a page's name in
// the report's folder.
QString AnyPageProblem(const QString &path, const std::vector<batch::Identity> &others)
{
    const PageNames pages(path);
    for (const QString &name : pages.InFolder()) {
        const batch::Identity page = Named(pages.PathOf(name));
        for (const batch::Identity &other : others) {
            if (batch::SameFile(page, other))
                return SameFileProblem(QStringLiteral("报告的页“%1”").arg(pages.PathOf(name)), other);
        }
    }
    const QString folder = QFileInfo(pages.folder()).canonicalFilePath();
    for (const batch::Identity &other : others) {
        if (other.path.empty())
            continue;
        const QFileInfo place(Utf8(batch::Place(other.path)));
        if (!folder.isEmpty() && place.absolutePath() == folder && pages.Matches(place.fileName()))
            return SameFileProblem(QStringLiteral("报告的页“%1”").arg(pages.PathOf(place.fileName())), other);
    }
    return {};
}

// Whether the pages of a report of count pages can all be written: each a
// plain file or not there, none of them one of the others or another page.
QString PageProblem(const QString &path, int count, const std::vector<batch::Identity> &others)
{
    std::unordered_map<std::string, const batch::Identity *> taken;
    for (const batch::Identity &other : others) {
        if (const std::string key = batch::FileKey(other); !key.empty())
            taken.emplace(key, &other);
    }
    // A page that leads through a symlink to another would be written over
    // by it; pages that are hard links of each other are each replaced.
    struct Page {
        int number;
        bool link;
    };
    std::unordered_map<std::string, Page> pages;
    for (int number = 1; number <= count; ++number) {
        const QString page = PngPagePath(path, number, count);
        if (const QString problem = diagram::NotAPlainFileProblem(page); !problem.isEmpty())
            return problem;
        const std::string key = batch::FileKey(Named(page));
        const QString what = QStringLiteral("报告的第 %1 页“%2”").arg(number).arg(page);
        if (const auto other = taken.find(key); other != taken.end())
            return SameFileProblem(what, *other->second);
        const bool link = QFileInfo(page).isSymLink();
        if (const auto [earlier, added] = pages.emplace(key, Page{number, link}); !added && (link || earlier->second.link))
            return SameFileProblem(what, {"第 " + std::to_string(earlier->second.number) + " 页", {}});
    }
    return {};
}

// The pages in the report's folder that this report of count pages did
// not write; empty when there are none.
QString LeftPagesNote(const QString &path, int count)
{
    const PageNames pages(path);
    const qsizetype width = PngPagePath(path, count, count).size() - path.size() - 1;
    QStringList left;
    for (const QString &name : pages.InFolder()) {
        qsizetype digits = 0;
        qulonglong number = 0;
        pages.Matches(name, &digits, &number);
        if (digits != width || number == 0 || number > qulonglong(count))
            left << name;
    }
    if (left.isEmpty())
        return {};
    return QStringLiteral("文件夹“%1”里另有 %2 个以前留下的报告页（%3），不属于这次的 %4 页；它们没有改动，也没有删除。")
        .arg(pages.folder())
        .arg(left.size())
        .arg(left.size() == 1 ? left.front() : left.front() + QStringLiteral(" … ") + left.back())
        .arg(count);
}

// The measurement file, opened for one pass.
class Pass {
public:
    explicit Pass(const FileReport &report)
        : report_(report), several_(!report.moreInPaths.isEmpty() || batch::IsFolder(Native(report.inPath)))
    {
        if (!several_)
            fd_ = platform::OpenToRead(Native(report.inPath));
    }
    ~Pass()
    {
        if (fd_ >= 0)
            platform::Close(fd_);
    }
    // Reads the header; the message when the file cannot be reported.
    QString Start()
    {
        if (several_) {
            std::vector<std::string> inputs{Native(report_.inPath)};
            for (const QString &path : report_.moreInPaths)
                inputs.push_back(Native(path));
            files_ = std::make_unique<batch::FileSequence>(std::move(inputs), report_.read);
            files_->SetThreads(report_.jobs);
            files_->Start();
            pipeline_ = std::make_unique<batch::RowPipeline>(*files_, std::max(1, report_.jobs));
            return {};
        }
        if (fd_ < 0)
            return QStringLiteral("无法读取文件“%1”。").arg(report_.inPath);
        reader_ = std::make_unique<batch::BatchReader>(fd_);
        reader_->SetSourceName(batch::StemOf(Native(report_.inPath)));
        const batch::HeaderProblem problem = reader_->Start(report_.read);
        if (problem != batch::HeaderProblem::None)
            return QString::fromStdString(batch::HeaderProblemText(problem, reader_->layout(), report_.read));
        if (report_.jobs > 1)
            pipeline_ = std::make_unique<batch::RowPipeline>(*reader_, report_.jobs);
        return {};
    }
    // The next reported row; false at the end.
    bool Next(batch::RatedRow &row)
    {
        while (pipeline_ ? pipeline_->Next(row) : reader_->Next(row)) {
            const std::uint64_t index = index_++;
            if (!report_.rows)
                return true;
            const auto &rows = *report_.rows;
            while (nextRow_ < rows.size() && rows[nextRow_] < index)
                ++nextRow_;
            if (nextRow_ == rows.size())
                return false;
            if (rows[nextRow_] == index)
                return true;
        }
        return false;
    }
    const batch::Layout &layout() const { return files_ ? files_->layout() : reader_->layout(); }

private:
    const FileReport &report_;
    bool several_;
    int fd_ = -1;
    std::unique_ptr<batch::BatchReader> reader_;
    std::unique_ptr<batch::FileSequence> files_;
    std::unique_ptr<batch::RowPipeline> pipeline_; // declared after the reader it reads
    std::uint64_t index_ = 0;
    std::size_t nextRow_ = 0;
};

// The pages as they are painted: a PDF's, one after another, or PNG files.
class Pages {
public:
    Pages(const FileReport &report, int count) : report_(report), count_(count), file_(report.reportPath) {}

    QString Open()
    {
        if (!report_.reportPath.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
            return {};
        if (const QString problem = file_.Open(); !problem.isEmpty())
            return problem;
        pdf_ = std::make_unique<QPdfWriter>(&file_.device());
        pdf_->setResolution(kDpi);
        pdf_->setTitle(QStringLiteral("LED 测试报告 — %1").arg(QString::fromStdString(report_.context.source)));
        pdf_->setCreator(report_.program);
        pdf_->setPageSize(QPageSize(QSizeF(kPageSize) / kDpi, QPageSize::Inch, QString(), QPageSize::ExactMatch));
        pdf_->setPageMargins(QMarginsF(0, 0, 0, 0));
        if (!painter_.begin(pdf_.get()))
            return CannotWrite();
        return {};
    }

    // Paints the next page; the message when it cannot be written.
    template <class Paint>
    QString Add(Paint paint)
    {
        ++done_;
        const PageFooter footer{report_.program, done_, count_};
        if (pdf_) {
            if (done_ > 1 && !pdf_->newPage())
                return CannotWrite();
            paint(painter_, footer);
            // A full disk stops the report at the page it is found.
            if (const QString problem = file_.Problem(); !problem.isEmpty())
                return problem;
        } else {
            const QString problem = diagram::ExportPicture(
                PngPagePath(report_.reportPath, done_, count_), kPageSize, QString(), QString(),
                [&](QPainter &painter, QSizeF) { paint(painter, footer); });
            if (!problem.isEmpty())
                return problem;
        }
        if (report_.progress && !report_.progress(done_, count_))
            return QStringLiteral("报告已取消。");
        return {};
    }

    QString Finish()
    {
        if (!pdf_)
            return {};
        if (!painter_.end())
            return CannotWrite();
        return file_.Commit();
    }

private:
    QString CannotWrite() const
    {
        const QString problem = file_.Problem();
        return problem.isEmpty() ? QStringLiteral("无法写入报告“%1”。").arg(report_.reportPath) : problem;
    }

    const FileReport &report_;
    int count_;
    int done_ = 0;
    diagram::FileOutput file_;
    std::unique_ptr<QPdfWriter> pdf_;
    QPainter painter_;
};

} // namespace

QString ReportPathProblem(const QString &path, const std::vector<batch::Identity> &others)
{
    const QFileInfo target(path);
    const QString suffix = target.suffix().toLower();
    if (suffix != QLatin1String("pdf") && suffix != QLatin1String("png"))
        return QStringLiteral("报告的文件名应以 .pdf 或 .png 结尾，而不是“%1”。").arg(target.fileName());
    if (!target.dir().exists())
        return diagram::WriteProblem(path, ENOENT);
    if (suffix == QLatin1String("png"))
        return AnyPageProblem(path, others);
    if (const QString problem = diagram::NotAPlainFileProblem(path); !problem.isEmpty())
        return problem;
    const batch::Identity report = Named(path);
    for (const batch::Identity &other : others) {
        if (batch::SameFile(report, other))
            return SameFileProblem(QStringLiteral("报告“%1”").arg(path), other);
    }
    return {};
}

QString PngPagePath(const QString &path, int number, int count)
{
    const int digits = std::max(4, int(QString::number(count).size()));
    const int dot = int(path.lastIndexOf('.'));
    return path.left(dot) + QStringLiteral("-%1").arg(number, digits, 10, QChar('0')) + path.mid(dot);
}

QString WriteFileReport(const FileReport &original, QString *note)
{
    std::vector<batch::Identity> others = original.others;
    for (const QString &path : QStringList{original.inPath} + original.moreInPaths) {
        if (!batch::IsFolder(Native(path)))
            others.insert(others.begin(), {"输入文件 “" + path.toStdString() + "”", Native(path)});
    }
    if (const QString problem = ReportPathProblem(original.reportPath, others); !problem.isEmpty())
        return problem;
    FileReport report = original;
    if (report.context.date.empty()) {
        // SOURCE_DATE_EPOCH, as reproducible builds set it, fixes the date
        // (in UTC), so that the same input gives the same pages.
        bool fixed = false;
        const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&fixed);
        const QDateTime when = fixed && epoch >= 0 && epoch < 253402300800 ? QDateTime::fromSecsSinceEpoch(epoch, Qt::UTC)
                                                                          : QDateTime::currentDateTime();
        report.context.date = when.toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
    }
    if (report.context.source.empty())
        report.context.source = report.moreInPaths.isEmpty()
                                    ? QFileInfo(report.inPath).fileName().toStdString()
                                    : QStringLiteral("%1 等 %2 项").arg(QFileInfo(report.inPath).fileName())
                                          .arg(report.moreInPaths.size() + 1).toStdString();
    report.context.target = report.read.row;
    report.context.bins = report.read.bins;

    try {
        // First pass: the tray.
        TrayTally tray(report.context);
        {
            Pass pass(report);
            if (const QString problem = pass.Start(); !problem.isEmpty())
                return problem;
            batch::RatedRow row;
            while (pass.Next(row))
                tray.Add(row, pass.layout());
            tray.SetReading(pass.layout());
        }
        if (tray.rows() == 0)
            return QStringLiteral("没有可以报告的行。");
        const bool trayPage = tray.rows() > 1;
        const std::uint64_t pages = tray.rows() + (trayPage ? 1 : 0);
        if (pages > std::uint64_t(std::numeric_limits<int>::max()))
            return QStringLiteral("行数太多，无法写成一份报告。");

        // Second pass: the pages, every one of them checked first.
        const bool png = !report.reportPath.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
        if (png) {
            if (const QString problem = PageProblem(report.reportPath, int(pages), others); !problem.isEmpty())
                return problem;
        }
        Pages out(report, int(pages));
        if (const QString problem = out.Open(); !problem.isEmpty())
            return problem;
        if (trayPage) {
            if (const QString problem = out.Add([&](QPainter &p, const PageFooter &footer) {
                    PaintTrayPage(p, tray, footer);
                });
                !problem.isEmpty())
                return problem;
        }
        Pass pass(report);
        if (const QString problem = pass.Start(); !problem.isEmpty())
            return problem;
        batch::RatedRow row;
        std::uint64_t written = 0;
        while (written < tray.rows() && pass.Next(row)) {
            const LedReport led = LedReportOf(row, pass.layout(), report.context);
            if (const QString problem = out.Add([&](QPainter &p, const PageFooter &footer) {
                    PaintLedPage(p, led, report.context, footer);
                });
                !problem.isEmpty())
                return problem;
            ++written;
        }
        if (written < tray.rows())
            return QStringLiteral("文件“%1”在写报告时变短了，报告没有写完。").arg(report.inPath);
        if (const QString problem = out.Finish(); !problem.isEmpty())
            return problem;
        if (png && note)
            *note = LeftPagesNote(report.reportPath, int(pages));
        return {};
    } catch (const batch::ReadFailure &failure) {
        return QStringLiteral("无法读取文件“%1”：%2").arg(report.inPath, QString::fromStdString(failure.what()));
    }
}

} // namespace report
