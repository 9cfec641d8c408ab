// The transparent drawing layer over the slide show: pointer input, the modes and click-through.
// The strokes live in StrokeStore, their pixels in InkCanvas; shaping where nothing composites is
// ShapedBackdrop's.
#pragma once

#include "annotation/InkCanvas.h"
#include "annotation/StrokeStore.h"

#include <QWidget>

class ShapedBackdrop;

class AnnotationOverlay : public QWidget
{
    Q_OBJECT

public:
    using Tool = Ink::Tool;
    using Stroke = Ink::Stroke;
    static constexpr Tool Pointer = Ink::Pointer;
    static constexpr Tool Pen = Ink::Pen;
    static constexpr Tool Highlighter = Ink::Highlighter;
    static constexpr Tool Eraser = Ink::Eraser;

    explicit AnnotationOverlay(QWidget *parent = nullptr);

    void attachTo(const QRect &rect);
    void setTool(Tool tool);
    void setColor(const QColor &color) { color_ = color; }
    void setWidthLevel(int level);
    void setOverlayActive(bool on);
    void setAnnotating(bool on);
    void setCurrentPage(int page);
    void resetAll();

    int strokeCount(int page) const { return page < 0 ? 0 : store_.count(page); }
    double penWidth() const { return Ink::penWidth(tool_, widthLevel_); }

    Tool tool() const { return tool_; }
    QColor color() const { return color_; }
    int widthLevel() const { return widthLevel_; }
    bool isAnnotating() const { return annotating_; }
    bool isOverlayActive() const { return active_; }
    int currentPage() const { return page_; }
    QList<Stroke> strokes(int page) const { return store_.strokes(page); }
    // The ink of the current page in device pixels (null before the first geometry).
    const QImage &buffer() const { return canvas_.image(); }

public slots:
    void clear();
    void undo();
    // The show under the overlay changed without a page change (e.g. an animation step): where a
    // picture of it is shown while drawing, that picture is taken again.
    void showUnderChanged();

signals:
    void activity();
    void pageChanged(int page);
    void strokesChanged(int page, int count);
    // The presenter changed the ink of the page shown: a stroke ended, one was undone, or the page
    // was cleared.
    void inkEdited(int page);
    // The window may now lie above the program's other windows: they should be restacked.
    void raisedItself();

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
    void raiseToTop();
    void switchTool(Tool tool);
    void abandonStroke();
    void rebuildBuffer();
    void redrawAll();
    void redrawArea(const QRectF &area);
    void syncShape();

    StrokeStore store_;
    InkCanvas canvas_{store_};
    ShapedBackdrop *shaping_;
    int page_ = 0;
    Stroke current_;
    QPointF last_;
    Tool tool_ = Pen;
    QColor color_ = QColor(0xFF, 0x3B, 0x30);
    int widthLevel_ = 1;
    bool annotating_ = false;
    bool active_ = false;
    bool drawing_ = false;
};
