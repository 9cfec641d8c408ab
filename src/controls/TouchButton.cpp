// Painting and state of the touch button.
#include "controls/TouchButton.h"

#include <QPaintEvent>
#include <QPainter>

namespace
{

QColor white(int alpha)
{
    return QColor(255, 255, 255, alpha);
}

// Pixel size of the badge font for a badge of the given length.
int badgePixelSize(int length)
{
    if (length <= 5)
        return 22;
    return length <= 7 ? 18 : 15;
}

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

} // namespace

TouchButton::TouchButton(Icons::Id iconId, QWidget *parent)
    : QAbstractButton(parent), m_iconId(iconId)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    // Touches must arrive as the mouse presses the system synthesises from them.
    setAttribute(Qt::WA_AcceptTouchEvents, false);
}

void TouchButton::setIconId(Icons::Id id)
{
    m_iconId = id;
    update();
}

void TouchButton::setAccent(const QColor &color)
{
    m_accent = color;
    update();
}

void TouchButton::setSwatch(const QColor &color)
{
    m_accent = color;
    m_swatch = true;
    update();
}

void TouchButton::setBadge(const QString &text)
{
    if (text == m_badge)
        return;
    m_badge = text;
    update();
}

void TouchButton::setFade(double fade)
{
    if (storeFade(fade))
        update();
}

void TouchButton::setPixelSize(int size)
{
    m_pixelSize = size;
    updateGeometry();
}

QSize TouchButton::sizeHint() const
{
    return QSize(m_pixelSize, m_pixelSize);
}

QColor TouchButton::contentColor() const
{
    if (!isChecked())
        return Qt::white;
    const double brightness =
        0.299 * m_accent.red() + 0.587 * m_accent.green() + 0.114 * m_accent.blue();
    return brightness >= 140 ? Palette::kDarkContent : QColor(Qt::white);
}

void TouchButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setOpacity(fade());
    const QRectF frame = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    if (m_swatch) {
        paintSwatch(p, frame);
        return;
    }
    paintFace(p, frame);
    paintContent(p);
}

void TouchButton::paintSwatch(QPainter &p, const QRectF &frame)
{
    int alpha = 170;
    if (isChecked())
        alpha = 255;
    else if (isDown())
        alpha = 235;
    else if (m_hovered)
        alpha = 210;
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(m_accent, alpha));
    p.drawRoundedRect(frame, 12, 12);
    if (isChecked()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(white(235), 3));
        p.drawRoundedRect(frame, 12, 12);
    }
}

void TouchButton::paintFace(QPainter &p, const QRectF &frame)
{
    QColor background = Palette::kRestingFace;
    if (isDown())
        background = white(78);
    else if (isChecked())
        background = m_accent;
    else if (m_hovered)
        background = white(42);
    p.setPen(Qt::NoPen);
    p.setBrush(background);
    p.drawRoundedRect(frame, 16, 16);

    // The outline pen stays set while the content is painted.
    if (isChecked())
        p.setPen(QPen(white(210), 2));
    else if (m_hovered || isDown())
        p.setPen(QPen(white(120), 1.5));
    else
        return;
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(frame, 16, 16);
}

void TouchButton::paintContent(QPainter &p)
{
    const QColor color = contentColor();
    if (!m_badge.isEmpty()) {
        QFont font = p.font();
        font.setPixelSize(badgePixelSize(int(m_badge.size())));
        font.setWeight(QFont::Bold);
        p.setFont(font);
        p.setPen(color);
        p.drawText(rect(), Qt::AlignCenter, m_badge);
        return;
    }
    double side = 0.54 * qMin(width(), height());
    if (isDown())
        side *= 0.86; // a press visibly shrinks the icon
    const QRectF box(width() / 2.0 - side / 2, height() / 2.0 - side / 2, side, side);
    Icons::draw(p, m_iconId, box, color);
}

void TouchButton::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void TouchButton::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}
