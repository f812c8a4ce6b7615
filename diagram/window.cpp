#include "window.h"

#include "export.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QVBoxLayout>

namespace diagram {

DiagramWindow::DiagramWindow(QWidget &owner, const QString &objectName)
    : QWidget(&owner, Qt::Window), diagram_(new DiagramWidget(this))
{
    setObjectName(objectName);
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(diagram_);
    setFocusProxy(diagram_);
    resize(diagram_->sizeHint());
    connect(diagram_, &DiagramWidget::batchRowsPicked, this, [this](const QList<int> &rows, bool toggle) {
        if (onPick_)
            onPick_(std::span(rows.constData(), std::size_t(rows.size())), toggle);
    });
}

void DiagramWindow::SetScene(Scene scene)
{
    // The title without the batch's count: "色品图 — GB 4000 K".
    setWindowTitle(scene.title.section(QStringLiteral(" · "), 0, 0));
    diagram_->SetScene(std::move(scene));
}

QString DiagramWindow::ExportTo(const QString &path) const
{
    return ExportDiagram(path, diagram_->scene(), diagram_->view(), diagram_->size());
}

void DiagramWindow::Present()
{
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

void DiagramWindow::contextMenuEvent(QContextMenuEvent *e)
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("导出 PNG 图片…"), this,
                   [this] { AskAndExport(QStringLiteral("png"), QStringLiteral("PNG 图片 (*.png)")); });
    menu.addAction(QStringLiteral("导出 SVG 矢量图…"), this,
                   [this] { AskAndExport(QStringLiteral("svg"), QStringLiteral("SVG 矢量图 (*.svg)")); });
    menu.addAction(QStringLiteral("导出 PDF 文档…"), this,
                   [this] { AskAndExport(QStringLiteral("pdf"), QStringLiteral("PDF 文档 (*.pdf)")); });
    menu.addSeparator();
    QAction *ansi = menu.addAction(QStringLiteral("显示 ANSI 四边形"), this,
                                   [this](bool on) { diagram_->SetAnsiQuadranglesShown(on); });
    ansi->setCheckable(true);
    ansi->setChecked(diagram_->ansiQuadranglesShown());
    QAction *home = menu.addAction(QStringLiteral("复原视图"), this, [this] { diagram_->ResetView(); });
    home->setShortcut(Qt::Key_Home);
    menu.exec(e->globalPos());
}

void DiagramWindow::AskAndExport(const QString &suffix, const QString &filter)
{
    const QString name = windowTitle().remove(QStringLiteral(" —")).replace(' ', '_') + '.' + suffix;
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出色品图"),
                                                QDir::home().filePath(name), filter);
    if (path.isEmpty())
        return;
    if (!path.endsWith('.' + suffix, Qt::CaseInsensitive))
        path += '.' + suffix;
    const QString error = ExportTo(path);
    if (!error.isEmpty())
        QMessageBox::warning(this, QStringLiteral("出错"), error);
}

} // namespace diagram
