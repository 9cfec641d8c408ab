// The pen menu: tools, pen colours, widths, undo and clear, and a status line for the current
// slide. Leaves out its place on screen, which the floating toolbar decides.
#pragma once

#include "annotation/AnnotationOverlay.h"
#include "controls/IconPainter.h"
#include "controls/IdleFade.h"

#include <QColor>
#include <QList>
#include <QWidget>

class QLabel;
class TouchButton;

class AnnotPanel : public QWidget, public Fadable
{
    Q_OBJECT

public:
    explicit AnnotPanel(QWidget *parent = nullptr);

    // Checks the button of the tool and no other; emits nothing.
    void syncTool(AnnotationOverlay::Tool tool);
    void applyNativeStyles();

    const QList<TouchButton *> &toolButtons() const { return toolButtons_; }
    const QList<TouchButton *> &swatches() const { return swatches_; }
    const QList<TouchButton *> &widthButtons() const { return widthButtons_; }
    TouchButton *undoButton() const { return undoButton_; }
    TouchButton *clearButton() const { return clearButton_; }
    QLabel *statusLabel() const { return status_; }

public slots:
    void setPageStatus(int page, int count);
    void setFade(double f) override;

signals:
    void toolChanged(AnnotationOverlay::Tool tool);
    void colorChanged(QColor color);
    void widthChanged(int level);
    void clearRequested();
    void undoRequested();
    void activity();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TouchButton *addButton(Icons::Id iconId, int pixelSize, const QString &tip, int row,
                           int column);
    void addToolButton(Icons::Id iconId, AnnotationOverlay::Tool tool, const QString &tip, int row,
                       int column);
    void chooseTool(AnnotationOverlay::Tool tool);
    static void checkOnly(const QList<TouchButton *> &buttons, TouchButton *chosen);
    void refreshStatusStyle();

    QList<TouchButton *> toolButtons_;
    QList<TouchButton *> swatches_;
    QList<TouchButton *> widthButtons_;
    TouchButton *undoButton_ = nullptr;
    TouchButton *clearButton_ = nullptr;
    QLabel *status_ = nullptr;
    int count_ = 0;
};
