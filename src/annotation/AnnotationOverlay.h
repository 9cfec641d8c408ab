// The transparent drawing layer over the slide show: ink kept per slide, painted incrementally.
#pragma once

#include <QColor>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QPixmap>
#include <QPointF>
#include <QWidget>

class AnnotationOverlay : public QWidget
{
    Q_OBJECT

public:
    enum Tool { Pointer = 0, Pen = 1, Highlighter = 2, Eraser = 3 };
    Q_ENUM(Tool)

    struct Stroke {
        Tool tool = Pointer;
        QColor color;
        double width = 0;
        QList<QPointF> points;
        int page = 0;
    };

    static constexpr int kMaxStrokesPerPage = 400;
    static constexpr int kHighlighterAlpha = 110;

    explicit AnnotationOverlay(QWidget *parent = nullptr);

    void attachTo(const QRect &rect);
    void setTool(Tool tool);
    void setColor(const QColor &color) { color_ = color; }
    void setWidthLevel(int level);
    void setOverlayActive(bool on);
    void setAnnotating(bool on);
    void setCurrentPage(int page);
    void resetAll();

    int strokeCount(int page) const;
    int annotatedPageCount() const;
    double penWidth() const;

    Tool tool() const { return tool_; }
    QColor color() const { return color_; }
    int widthLevel() const { return widthLevel_; }
    bool isAnnotating() const { return annotating_; }
    bool isOverlayActive() const { return active_; }
    int currentPage() const { return page_; }
    QList<Stroke> strokes(int page) const { return store_.value(page); }
    // The ink of the current page in device pixels (null before the first geometry).
    const QImage &buffer() const { return buffer_; }

    static QPainterPath smoothPath(const QList<QPointF> &points);

public slots:
    void clear();
    void undo();

signals:
    void activity();
    void pageChanged(int page);
    void strokesChanged(int page, int count);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool passThrough() const { return !annotating_ || tool_ == Pointer; }
    void applyClickThrough();
    void activate();
    void switchTool(Tool tool);
    void abandonStroke();
    void rebuildBuffer();
    void dropCachedPage();
    void redrawAll();
    void redrawArea(const QRectF &area);
    void markStale(const QRectF &area);
    static QRectF reach(const Stroke &stroke);
    void beginBufferPainter(QPainter &painter);
    void drawStroke(QPainter &painter, const Stroke &stroke) const;
    void drawSegment(const Stroke &stroke, const QPointF &from, const QPointF &to);
    static int margin(double width) { return int(0.5 * width + 3); }
    void syncShape();
    void scheduleBackdrop();
    void showOverBackdrop();
    QRegion inkRegion() const;

    QHash<int, QList<Stroke>> store_;
    int page_ = 0;
    Stroke current_;
    QImage buffer_;
    qreal bufferDpr_ = 1.0;
    // Where the buffer may differ from a replay of the current page: live and pushed-out ink.
    QRectF stale_;
    // The buffer of the page shown before (-1: none), and where it may differ from a replay.
    int cachedPage_ = -1;
    QImage cachedBuffer_;
    QRectF cachedStale_;
    QPointF last_;
    Tool tool_ = Pen;
    QColor color_ = QColor(0xFF, 0x3B, 0x30);
    int widthLevel_ = 1;
    bool annotating_ = false;
    bool active_ = false;
    bool drawing_ = false;
    // Where nothing composites: a picture of the screen under the overlay while drawing.
    QPixmap backdrop_;
    bool backdropWanted_ = false;
    int backdropGeneration_ = 0;
    bool shaping_ = false; // showing the window resizes it, which would shape it again
};
