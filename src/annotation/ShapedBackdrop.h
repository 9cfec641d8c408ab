// Where nothing composites windows: the ink window is shaped to its ink while clicks pass through,
// and shows a picture of the screen under it while the user draws. Leaves out the ink itself and
// every case where a compositor blends the window.
#pragma once

#include <QObject>
#include <QPixmap>

class InkCanvas;
class QWidget;

class ShapedBackdrop : public QObject
{
    Q_OBJECT

public:
    ShapedBackdrop(QWidget *window, const InkCanvas &canvas);

    // Brings the window in line with the mode and the ink; does nothing where windows composite.
    void sync(bool active, bool drawing);
    // What lies under the window changed: a picture taken before is stale.
    void retake();
    // The picture to paint under the ink while drawing (null when there is none).
    const QPixmap &backdrop() const { return backdrop_; }

signals:
    // The window was shown or raised to the top.
    void raised();

private:
    void schedule();
    void showOverBackdrop();
    void showRaised();
    QRegion inkRegion() const;

    QWidget *window_;
    const InkCanvas &canvas_;
    bool active_ = false;
    bool drawing_ = false;
    QPixmap backdrop_;
    bool wanted_ = false;
    int generation_ = 0;
    bool busy_ = false; // showing the window resizes it, which would shape it again
};
