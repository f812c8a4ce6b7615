#pragma once
// The window "色品图": the diagram widget, a title with the standard and
// CCT, and a context menu that exports what is shown.

#include "diagram_widget.h"

#include <QWidget>

#include <functional>

namespace diagram {

class DiagramWindow : public QWidget {
    Q_OBJECT
public:
    // A window of its own that belongs to owner: it goes when owner goes.
    DiagramWindow(QWidget &owner, const QString &objectName);

    void SetScene(Scene scene);
    DiagramWidget &diagram() { return *diagram_; }

    // Called with the batch rows the user picks in the diagram, and whether
    // they toggle; none: picking does nothing.
    using PickHandler = std::function<void(std::span<const int> rows, bool toggle)>;
    void SetPickHandler(PickHandler handler) { onPick_ = std::move(handler); }

    // Writes what the window shows: PNG at twice the screen scale, SVG or
    // PDF by the suffix. Returns the message for the user, empty on success.
    QString ExportTo(const QString &path) const;

    // Brings the window up, to the front.
    void Present();

protected:
    void contextMenuEvent(QContextMenuEvent *e) override;

private:
    void AskAndExport(const QString &suffix, const QString &filter);

    DiagramWidget *diagram_;
    PickHandler onPick_;
};

} // namespace diagram
