// The pen menu: tools, pen colours, widths, undo and clear, and a status line for the current
// slide.
#include "annotation/AnnotPanel.h"

#include "controls/BarChrome.h"
#include "controls/Palette.h"
#include "controls/TouchButton.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>

#include <cmath>
#include <iterator>

namespace
{

const char *const kToolId = "toolId";

const QColor kStatusEmpty(154, 154, 166);
const QColor kStatusInked(216, 216, 224);

QString noStrokesText()
{
    return QStringLiteral("本页暂无批注");
}

} // namespace

AnnotPanel::AnnotPanel(QWidget *parent) : QWidget(parent)
{
    BarChrome::initFloatingWindow(this, QStringLiteral("Podivex-AnnotPanel"));

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(14, 14, 14, 14);
    grid->setSpacing(10);

    addToolButton(Icons::Id::Pointer, AnnotationOverlay::Pointer,
                  QStringLiteral("指针 / 穿透模式（可点击翻页）"), 0, 0);
    addToolButton(Icons::Id::Pen, AnnotationOverlay::Pen, QStringLiteral("画笔"), 0, 1);
    addToolButton(Icons::Id::Highlighter, AnnotationOverlay::Highlighter, QStringLiteral("荧光笔"),
                  0, 2);
    addToolButton(Icons::Id::Eraser, AnnotationOverlay::Eraser, QStringLiteral("橡皮擦"), 1, 0);

    undoButton_ = addButton(Icons::Id::Undo, 72, QStringLiteral("撤销上一笔"), 1, 1);
    connect(undoButton_, &TouchButton::clicked, this, [this] {
        emit undoRequested();
        emit activity();
    });
    clearButton_ = addButton(Icons::Id::Clear, 72, QStringLiteral("清除全部批注"), 1, 2);
    clearButton_->setAccent(Palette::kDanger);
    connect(clearButton_, &TouchButton::clicked, this, [this] {
        emit clearRequested();
        emit activity();
    });
    toolButtons_ << undoButton_ << clearButton_;
    toolButtons_.first()->setChecked(true);

    for (int j = 0; j < int(std::size(Palette::kPenColors)); ++j) {
        TouchButton *swatch = addButton(Icons::Id::None, 48,
                                        QStringLiteral("画笔颜色 %1").arg(j + 1), 2 + j / 3, j % 3);
        const QColor color = Palette::kPenColors[j];
        swatch->setSwatch(color);
        swatch->setCheckable(true);
        connect(swatch, &TouchButton::clicked, this, [this, swatch, color] {
            checkOnly(swatches_, swatch);
            emit colorChanged(color);
            emit activity();
        });
        swatches_ << swatch;
    }
    swatches_.first()->setChecked(true);

    const QString levels[] = {QStringLiteral("细"), QStringLiteral("中"), QStringLiteral("粗")};
    for (int k = 0; k < 3; ++k) {
        TouchButton *button =
            addButton(Icons::Id::None, 48, QStringLiteral("笔迹粗细：%1").arg(levels[k]), 4, k);
        button->setBadge(levels[k]);
        button->setCheckable(true);
        connect(button, &TouchButton::clicked, this, [this, button, k] {
            checkOnly(widthButtons_, button);
            emit widthChanged(k);
            emit activity();
        });
        widthButtons_ << button;
    }
    widthButtons_[1]->setChecked(true);

    status_ = new QLabel(this);
    status_->setAlignment(Qt::AlignCenter);
    status_->setWordWrap(true);
    status_->setMinimumHeight(40);
    QFont font = status_->font();
    font.setPixelSize(15);
    status_->setFont(font);
    status_->setStyleSheet(QStringLiteral("color:#D8D8E0; background:transparent;"));
    grid->addWidget(status_, 5, 0, 1, 3);

    setPageStatus(0, 0);
}

TouchButton *AnnotPanel::addButton(Icons::Id iconId, int pixelSize, const QString &tip, int row,
                                   int column)
{
    auto *button = new TouchButton(iconId, this);
    button->setPixelSize(pixelSize);
    button->setToolTip(tip);
    static_cast<QGridLayout *>(layout())->addWidget(button, row, column);
    return button;
}

void AnnotPanel::addToolButton(Icons::Id iconId, AnnotationOverlay::Tool tool, const QString &tip,
                               int row, int column)
{
    TouchButton *button = addButton(iconId, 72, tip, row, column);
    button->setCheckable(true);
    button->setProperty(kToolId, int(tool));
    connect(button, &TouchButton::clicked, this, [this, tool] { chooseTool(tool); });
    toolButtons_ << button;
}

void AnnotPanel::chooseTool(AnnotationOverlay::Tool tool)
{
    // A click on the checked tool unchecked it; it stays the chosen one.
    syncTool(tool);
    emit toolChanged(tool);
    emit activity();
}

void AnnotPanel::syncTool(AnnotationOverlay::Tool tool)
{
    for (TouchButton *button : std::as_const(toolButtons_)) {
        const QVariant id = button->property(kToolId);
        if (id.isValid())
            button->setChecked(id.toInt() == int(tool));
    }
}

void AnnotPanel::checkOnly(const QList<TouchButton *> &buttons, TouchButton *chosen)
{
    for (TouchButton *button : buttons)
        button->setChecked(button == chosen);
}

void AnnotPanel::setPageStatus(int page, int count)
{
    count_ = count;
    const bool inked = count >= 1;
    if (inked) {
        const QString number = page > 0 ? QString::number(page) : QStringLiteral("?");
        status_->setText(QStringLiteral("第 %1 页 · 已批注 %2 笔").arg(number).arg(count));
    } else {
        status_->setText(page > 0 ? QStringLiteral("第 %1 页 · 本页暂无批注").arg(page)
                                  : noStrokesText());
    }
    refreshStatusStyle();
    undoButton_->setEnabled(inked);
    undoButton_->setToolTip(inked ? QStringLiteral("撤销本页最后一笔") : noStrokesText());
    clearButton_->setEnabled(inked);
    clearButton_->setToolTip(inked ? QStringLiteral("清除本页全部批注") : noStrokesText());
}

void AnnotPanel::refreshStatusStyle()
{
    if (!status_)
        return;
    const QColor c = count_ < 1 ? kStatusEmpty : kStatusInked;
    const double f = fade();
    const int alpha = f > 1 ? 255 : f <= 0 ? 0 : int(std::floor(f * 255 + 0.5));
    status_->setStyleSheet(QStringLiteral("color:rgba(%1,%2,%3,%4); background:transparent;")
                               .arg(c.red())
                               .arg(c.green())
                               .arg(c.blue())
                               .arg(alpha));
}

void AnnotPanel::setFade(double f)
{
    if (!storeFade(f))
        return;
    spread(this, f);
    refreshStatusStyle();
    update();
}

void AnnotPanel::applyNativeStyles()
{
    BarChrome::applyNativeStyles(this);
}

void AnnotPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(fade());
    BarChrome::paintCard(painter, rect(), Palette::kPanelCard);
}
