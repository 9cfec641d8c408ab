// The pen menu: tools, pen colours, widths, undo and clear, and a status line for the current
// slide.
#include "annotation/AnnotPanel.h"

#include "controls/TouchButton.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>

#include <cmath>

namespace
{

const char *const kToolId = "toolId";

constexpr QColor kColors[] = {
    QColor(255, 59, 48),  QColor(255, 214, 0),   QColor(52, 199, 89),
    QColor(76, 154, 255), QColor(255, 255, 255), QColor(16, 16, 20),
};

const QColor kClearAccent(255, 89, 72);
const QColor kStatusEmpty(154, 154, 166);
const QColor kStatusInked(216, 216, 224);

QString noStrokesText()
{
    return QStringLiteral("本页暂无批注");
}

} // namespace

AnnotPanel::AnnotPanel(QWidget *parent) : QWidget(parent)
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("Podivex-AnnotPanel"));

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(14, 14, 14, 14);
    grid->setSpacing(10);

    addToolButton(QStringLiteral("pointer"), AnnotationOverlay::Pointer,
                  QStringLiteral("指针 / 穿透模式（可点击翻页）"), 0, 0);
    addToolButton(QStringLiteral("pen"), AnnotationOverlay::Pen, QStringLiteral("画笔"), 0, 1);
    addToolButton(QStringLiteral("highlighter"), AnnotationOverlay::Highlighter,
                  QStringLiteral("荧光笔"), 0, 2);
    addToolButton(QStringLiteral("eraser"), AnnotationOverlay::Eraser, QStringLiteral("橡皮擦"), 1,
                  0);

    undoButton_ = addButton(QStringLiteral("undo"), 72, QStringLiteral("撤销上一笔"), 1, 1);
    connect(undoButton_, &TouchButton::clicked, this, [this] {
        emit undoRequested();
        emit activity();
    });
    clearButton_ = addButton(QStringLiteral("clear"), 72, QStringLiteral("清除全部批注"), 1, 2);
    clearButton_->setAccent(kClearAccent);
    connect(clearButton_, &TouchButton::clicked, this, [this] {
        emit clearRequested();
        emit activity();
    });
    toolButtons_ << undoButton_ << clearButton_;
    toolButtons_.first()->setChecked(true);

    for (int j = 0; j < 6; ++j) {
        TouchButton *swatch =
            addButton(QString(), 48, QStringLiteral("画笔颜色 %1").arg(j + 1), 2 + j / 3, j % 3);
        swatch->setSwatch(kColors[j]);
        swatch->setCheckable(true);
        connect(swatch, &TouchButton::clicked, this, [this, swatch, j] {
            color_ = kColors[j];
            checkOnly(swatches_, swatch);
            emit colorChanged(kColors[j]);
            emit activity();
        });
        swatches_ << swatch;
    }
    swatches_.first()->setChecked(true);

    const QString levels[] = {QStringLiteral("细"), QStringLiteral("中"), QStringLiteral("粗")};
    for (int k = 0; k < 3; ++k) {
        TouchButton *button =
            addButton(QString(), 48, QStringLiteral("笔迹粗细：%1").arg(levels[k]), 4, k);
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

TouchButton *AnnotPanel::addButton(const QString &iconId, int pixelSize, const QString &tip,
                                   int row, int column)
{
    auto *button = new TouchButton(iconId, this);
    button->setPixelSize(pixelSize);
    button->setToolTip(tip);
    static_cast<QGridLayout *>(layout())->addWidget(button, row, column);
    return button;
}

void AnnotPanel::addToolButton(const QString &iconId, AnnotationOverlay::Tool tool,
                               const QString &tip, int row, int column)
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
    page_ = page;
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
    const int alpha = fade_ > 1 ? 255 : fade_ <= 0 ? 0 : int(std::floor(fade_ * 255 + 0.5));
    status_->setStyleSheet(QStringLiteral("color:rgba(%1,%2,%3,%4); background:transparent;")
                               .arg(c.red())
                               .arg(c.green())
                               .arg(c.blue())
                               .arg(alpha));
}

void AnnotPanel::setFade(double f)
{
    if (qFuzzyCompare(f, fade_))
        return;
    fade_ = f;
    for (const QList<TouchButton *> *list : {&toolButtons_, &swatches_, &widthButtons_}) {
        for (TouchButton *button : *list)
            button->setFade(f);
    }
    refreshStatusStyle();
    update();
}

void AnnotPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(fade_);
    const QRectF card = QRectF(rect()).adjusted(1, 1, -1, -1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 20, 24, 205));
    painter.drawRoundedRect(card, 20, 20);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 55), 1.2));
    painter.drawRoundedRect(card, 20, 20);
}
