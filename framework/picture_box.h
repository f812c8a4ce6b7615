#pragma once

#include <QLabel>

namespace framework {

// A picture at its own size from the top-left corner, cut off at the
// control's edge. A picture box also takes the focus and clicks; an image
// takes neither.
class PictureWidget : public QLabel {
    Q_OBJECT
public:
    PictureWidget(const QString &picture, bool takesClicks, QWidget *parent);

    bool TakesClicks() const { return takesClicks_; }
    // A click from the keyboard-less side: a screen reader's press action.
    void Press()
    {
        if (takesClicks_)
            emit clicked();
    }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool takesClicks_;
};

} // namespace framework
