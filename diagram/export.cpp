#include "export.h"

#include "output_file.h"
#include "painter.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <cerrno>
#include <cstring>
#include <string>

namespace diagram {

namespace {

constexpr int kDpi = 96;

QString CannotWrite(const QString &path)
{
    return QStringLiteral("无法写入文件“%1”。请检查文件夹是否存在、是否有写入权限。").arg(path);
}

bool WritePng(QIODevice &device, QSize page, const PagePainter &paint, QString &problem)
{
    QImage image(page * kPngScale, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        problem = QStringLiteral("图像太大，无法导出为 PNG。");
        return false;
    }
    image.setDevicePixelRatio(kPngScale);
    // Twice the pixels on the same page: twice the dots per inch.
    const int dotsPerMeter = int(kDpi * kPngScale / 0.0254 + 0.5);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    {
        QPainter painter(&image);
        paint(painter, page);
    }
    // Encoded in memory first: Qt's PNG writer leaks its copy of the
    // image when a write fails under it, and a full disk is found below.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return false;
    return device.write(encoded) == encoded.size();
}

bool WriteSvg(QIODevice &device, QSize page, const QString &title, const QString &description,
              const PagePainter &paint)
{
    QSvgGenerator svg;
    svg.setOutputDevice(&device);
    svg.setSize(page);
    svg.setViewBox(QRect(QPoint(0, 0), page));
    svg.setResolution(kDpi);
    svg.setTitle(title);
    svg.setDescription(description);
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    paint(painter, page);
    return painter.end();
}

bool WritePdf(QIODevice &device, QSize page, const QString &title, const PagePainter &paint)
{
    QPdfWriter pdf(&device);
    pdf.setResolution(kDpi);
    pdf.setTitle(title);
    pdf.setCreator(QStringLiteral("Norvak"));
    pdf.setPageSize(QPageSize(QSizeF(page) / kDpi, QPageSize::Inch, QString(), QPageSize::ExactMatch));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&pdf))
        return false;
    paint(painter, page);
    return painter.end();
}

} // namespace

// Qt's writers write here; the bytes go to the output file in large
// blocks, and the first failure is kept with its error number.
class FileOutput::Device : public QIODevice {
public:
    explicit Device(batch::OutputFile &file) : file_(file) {}
    bool isSequential() const override { return true; }
    int error() const { return error_; }
    bool Flush()
    {
        if (error_ == 0 && !buffer_.empty() && !file_.Write(buffer_))
            error_ = errno;
        buffer_.clear();
        return error_ == 0;
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (error_ != 0)
            return -1;
        buffer_.append(data, std::size_t(size));
        if (buffer_.size() >= kBlock && !Flush())
            return -1;
        return size;
    }

private:
    static constexpr std::size_t kBlock = 1u << 16;
    batch::OutputFile &file_;
    std::string buffer_;
    int error_ = 0;
};

FileOutput::FileOutput(QString path) : path_(std::move(path)) {}

FileOutput::~FileOutput() = default;

QString FileOutput::Open()
{
    if (QString problem = NotAPlainFileProblem(path_); !problem.isEmpty())
        return problem;
    file_ = std::make_unique<batch::OutputFile>();
    if (!file_->Open(path_.toStdString()))
        return WriteProblem(path_, errno);
    device_ = std::make_unique<Device>(*file_);
    device_->open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return {};
}

QIODevice &FileOutput::device()
{
    return *device_;
}

QString FileOutput::Problem() const
{
    return device_ && device_->error() != 0 ? WriteProblem(path_, device_->error()) : QString();
}

QString FileOutput::Commit()
{
    if (!device_->Flush())
        return WriteProblem(path_, device_->error());
    if (!file_->Commit())
        return WriteProblem(path_, errno);
    return {};
}

QString NotAPlainFileProblem(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return {};
    if (info.isDir())
        return QStringLiteral("“%1”是一个文件夹，不是文件，不能写到那里。").arg(path);
    return QStringLiteral("“%1”不是普通文件，不能写到那里。").arg(path);
}

QString WriteProblem(const QString &path, int error)
{
    switch (error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT: // a quota, full as a disk is
#endif
        return QStringLiteral("磁盘已满，“%1”没有写完（原来的文件不变）。请腾出空间或换一个磁盘后再试。").arg(path);
    case EFBIG:
        return QStringLiteral("“%1”超出了系统允许的文件大小，没有写完（原来的文件不变）。").arg(path);
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("无法写入“%1”：文件夹不存在。").arg(path);
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("无法写入“%1”：没有写入权限，或磁盘是只读的。").arg(path);
    default:
        return QStringLiteral("无法写入“%1”：%2").arg(path, QString::fromLocal8Bit(std::strerror(error)));
    }
}

QString ExportPicture(const QString &path, QSize page, const QString &title, const QString &description,
                      const PagePainter &paint)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool png = suffix == QLatin1String("png"), svg = suffix == QLatin1String("svg");
    if (!png && !svg && suffix != QLatin1String("pdf"))
        return QStringLiteral("不能导出为“%1”：文件名请以 .png、.svg 或 .pdf 结尾。")
            .arg(QFileInfo(path).fileName());
    FileOutput out(path);
    if (QString problem = out.Open(); !problem.isEmpty())
        return problem;
    QString problem;
    const bool written = png   ? WritePng(out.device(), page, paint, problem)
                         : svg ? WriteSvg(out.device(), page, title, description, paint)
                               : WritePdf(out.device(), page, title, paint);
    if (!written) {
        if (problem.isEmpty())
            problem = out.Problem();
        return problem.isEmpty() ? CannotWrite(path) : problem;
    }
    return out.Commit();
}

QString ExportPainting(const QString &path, QSize page, const QString &title, const QString &description,
                       const std::function<void(QPainter &)> &paint)
{
    return ExportPicture(path, page, title, description, [&](QPainter &painter, QSizeF) { paint(painter); });
}

QString ExportDiagram(const QString &path, const Scene &scene, const ViewState &view, QSize page)
{
    return ExportPicture(path, page, scene.title, QStringLiteral("CIE 1931 (x, y)"),
                         [&](QPainter &painter, QSizeF size) { PaintDiagram(painter, scene, view, size); });
}

} // namespace diagram
