// Where nothing composites windows: the ink window is shaped to its ink while clicks pass through,
// and shows a picture of the screen under it while the user draws. Leaves out the ink itself and
// every case where a compositor blends the window.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QTimer>

class InkCanvas;
class QWidget;

class ShapedBackdrop : public QObject
{
    Q_OBJECT

public:
    ShapedBackdrop(QWidget *window, const InkCanvas &canvas);

    // Brings the window in line with the mode and the ink; does nothing where windows composite.
    void sync(bool active, bool drawing);
    // What lies under the window is changing (another slide): the picture is taken again once
    // the screen under the window differs from it and has settled.
    void retake();
    // The picture to paint under the ink while drawing (null when there is none).
    const QPixmap &backdrop() const { return backdrop_; }

signals:
    // The window was shown or raised to the top.
    void raised();

private:
    void schedule(bool expectChange);
    void poll();
    void showOverBackdrop(const QImage &picture);
    void showRaised();
    QRegion inkRegion() const;

    QWidget *window_;
    const InkCanvas &canvas_;
    bool active_ = false;
    bool drawing_ = false;
    QPixmap backdrop_;
    bool wanted_ = false;
    // While the window is hidden to take the picture: the screen is grabbed until it settles.
    QTimer poll_;
    QElapsedTimer since_;
    int settleMs_ = 0;
    bool expectChange_ = false;
    QImage before_;
    QImage last_;
    bool busy_ = false; // showing the window resizes it, which would shape it again
};
