#pragma once
// Pictures written to a file by the same painting code as the screen: PNG at
// twice the screen scale, SVG (Qt SVG) and PDF (QPdfWriter), chosen by the
// file's suffix. Every file is written as the batch writes OUT
// (batch/output_file.h): a temporary file beside it, renamed over it at the
// end, so that a failed or interrupted write never leaves a part of one.

#include "scene.h"
#include "view.h"

#include <QString>

#include <functional>
#include <memory>

class QIODevice;
class QPainter;

namespace batch {
class OutputFile;
}

namespace diagram {

// A file for Qt's writers, written as OUT is: only a plain file or a name
// not yet taken (a symlink to one included, dangling or not); a folder, a
// device, a FIFO or a socket is refused.
class FileOutput {
public:
    explicit FileOutput(QString path);
    ~FileOutput();
    // The message for the user when the file cannot be written; empty when
    // it can.
    QString Open();
    QIODevice &device();
    // The message for a write that failed so far; empty when none has.
    QString Problem() const;
    // Puts what was written in the file's place; the message when it could
    // not be written whole (a full disk says so). Without it, the file is
    // left as it was.
    QString Commit();

private:
    class Device;
    QString path_;
    std::unique_ptr<batch::OutputFile> file_;
    std::unique_ptr<Device> device_;
};

// Why a file that is there cannot take a picture or a report: it is not a
// plain file (nor a link to one); empty when it can.
QString NotAPlainFileProblem(const QString &path);

// What to tell the user when writing the file failed with the system's
// error number: a full disk, a missing folder, no permission, ….
QString WriteProblem(const QString &path, int error);

// The PNG's pixels per logical pixel.
inline constexpr int kPngScale = 2;

// Paints a picture on a page of logical pixels of the given size.
using PagePainter = std::function<void(QPainter &painter, QSizeF page)>;

// Writes what `paint` paints on a page of the logical size; the title and
// description name it in the SVG and PDF. Returns the message for the user
// (Chinese), empty on success.
QString ExportPicture(const QString &path, QSize page, const QString &title, const QString &description,
                      const PagePainter &paint);

// Writes the scene as shown by the view on a page of the logical size.
QString ExportDiagram(const QString &path, const Scene &scene, const ViewState &view, QSize page);

} // namespace diagram
