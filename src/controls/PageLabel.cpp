// Painting of the page counter; longer texts get a smaller font so that they fit the face.
#include "controls/PageLabel.h"

#include "controls/Palette.h"

#include <QPainter>

namespace
{

// Pixel size of the text font for a text of the given length.
int textPixelSize(int length)
{
    if (length < 8)
        return 22;
    return length <= 9 ? 18 : 15;
}

} // namespace

PageLabel::PageLabel(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void PageLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
}

void PageLabel::setFade(double fade)
{
    if (storeFade(fade))
        update();
}

QSize PageLabel::sizeHint() const
{
    return QSize(m_size, m_size);
}

void PageLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setOpacity(fade());
    p.setPen(Qt::NoPen);
    p.setBrush(Palette::kRestingFace);
    p.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 16, 16);
    QFont font = p.font();
    font.setPixelSize(textPixelSize(int(m_text.size())));
    font.setWeight(QFont::Bold);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(rect(), Qt::AlignCenter, m_text);
}
