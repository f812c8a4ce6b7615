#include "report_file.h"

#include "export.h"
#include "report_pages.h"
#include "tray_tally.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace report {

namespace {

constexpr int kDpi = 96;

QString CannotWrite(const QString &path)
{
    return QStringLiteral("无法写入报告“%1”。请检查文件夹是否存在、是否有写入权限。").arg(path);
}

QString NotAPlainFile(const QString &path)
{
    return QStringLiteral("“%1”不是普通文件，不能把报告写到那里。").arg(path);
}

// The measurement file, opened for one pass.
class Pass {
public:
    explicit Pass(const FileReport &report) : report_(report)
    {
        fd_ = ::open(QFile::encodeName(report.inPath).constData(), O_RDONLY | O_CLOEXEC);
    }
    ~Pass()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    // Reads the header; the message when the file cannot be reported.
    QString Start()
    {
        if (fd_ < 0)
            return QStringLiteral("无法读取文件“%1”。").arg(report_.inPath);
        reader_ = std::make_unique<batch::BatchReader>(fd_);
        const batch::HeaderProblem problem = reader_->Start(report_.read);
        if (problem != batch::HeaderProblem::None)
            return QString::fromStdString(batch::HeaderProblemText(problem, reader_->layout(), report_.read));
        return {};
    }
    // The next reported row; false at the end.
    bool Next(batch::RatedRow &row)
    {
        while (reader_->Next(row)) {
            if (!report_.lines)
                return true;
            const auto &lines = *report_.lines;
            while (nextLine_ < lines.size() && lines[nextLine_] < row.line)
                ++nextLine_;
            if (nextLine_ < lines.size() && lines[nextLine_] == row.line)
                return true;
            if (nextLine_ == lines.size())
                return false;
        }
        return false;
    }
    const batch::Layout &layout() const { return reader_->layout(); }

private:
    const FileReport &report_;
    int fd_ = -1;
    std::unique_ptr<batch::BatchReader> reader_;
    std::size_t nextLine_ = 0;
};

// The pages as they are painted: a PDF's, one after another, or PNG files.
class Pages {
public:
    Pages(const FileReport &report, int count) : report_(report), count_(count) {}

    QString Open()
    {
        if (!report_.reportPath.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
            return {};
        file_ = std::make_unique<QSaveFile>(report_.reportPath);
        if (!file_->open(QIODevice::WriteOnly))
            return CannotWrite(report_.reportPath);
        pdf_ = std::make_unique<QPdfWriter>(file_.get());
        pdf_->setResolution(kDpi);
        pdf_->setTitle(QStringLiteral("LED 测试报告 — %1").arg(QString::fromStdString(report_.context.source)));
        pdf_->setCreator(report_.program);
        pdf_->setPageSize(QPageSize(QSizeF(kPageSize) / kDpi, QPageSize::Inch, QString(), QPageSize::ExactMatch));
        pdf_->setPageMargins(QMarginsF(0, 0, 0, 0));
        if (!painter_.begin(pdf_.get()))
            return CannotWrite(report_.reportPath);
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
                return CannotWrite(report_.reportPath);
            paint(painter_, footer);
        } else {
            const QString path = PngPagePath(report_.reportPath, done_, count_);
            if (const QFileInfo info(path); info.exists() && !info.isFile())
                return NotAPlainFile(path);
            const QString problem = diagram::ExportPicture(
                path, kPageSize, QString(), QString(),
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
        if (!painter_.end() || !file_->commit())
            return CannotWrite(report_.reportPath);
        return {};
    }

private:
    const FileReport &report_;
    int count_;
    int done_ = 0;
    std::unique_ptr<QSaveFile> file_;
    std::unique_ptr<QPdfWriter> pdf_;
    QPainter painter_;
};

} // namespace

QString ReportPathProblem(const QString &path, const QStringList &others)
{
    const QFileInfo target(path);
    const QString suffix = target.suffix().toLower();
    if (suffix != QLatin1String("pdf") && suffix != QLatin1String("png"))
        return QStringLiteral("报告的文件名应以 .pdf 或 .png 结尾，而不是“%1”。").arg(target.fileName());
    if (target.exists() && !target.isFile())
        return NotAPlainFile(path);
    const QString canonical = target.exists() ? target.canonicalFilePath() : target.absoluteFilePath();
    for (const QString &other : others) {
        const QFileInfo info(other);
        if (!other.isEmpty() && other != QLatin1String("-")
            && canonical == (info.exists() ? info.canonicalFilePath() : info.absoluteFilePath()))
            return QStringLiteral("报告“%1”与“%2”是同一个文件，请换一个文件名。").arg(path, other);
    }
    return {};
}

QString PngPagePath(const QString &path, int number, int count)
{
    const int digits = std::max(4, int(QString::number(count).size()));
    const int dot = int(path.lastIndexOf('.'));
    return path.left(dot) + QStringLiteral("-%1").arg(number, digits, 10, QChar('0')) + path.mid(dot);
}

QString WriteFileReport(const FileReport &original)
{
    if (const QString problem = ReportPathProblem(original.reportPath, {original.inPath}); !problem.isEmpty())
        return problem;
    FileReport report = original;
    if (report.context.date.empty())
        report.context.date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
    if (report.context.source.empty())
        report.context.source = QFileInfo(report.inPath).fileName().toStdString();
    report.context.target = report.read.row;
    report.context.bins = report.read.bins.get();

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

        // Second pass: the pages.
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
        return out.Finish();
    } catch (const batch::ReadFailure &failure) {
        return QStringLiteral("无法读取文件“%1”：%2").arg(report.inPath, QString::fromStdString(failure.what()));
    }
}

} // namespace report
