// The finger-sized button of every floating control: painted face, vector icon or text badge, fade.
#pragma once

#include <QAbstractButton>
#include <QColor>

class TouchButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit TouchButton(const QString &iconId, QWidget *parent = nullptr);

    void setIconId(const QString &id);
    void setAccent(const QColor &color);
    void setSwatch(const QColor &color);
    void setBadge(const QString &text);
    void setFade(double fade);
    void setPixelSize(int size);

    QString iconId() const { return m_iconId; }
    QColor accent() const { return m_accent; }
    QString badge() const { return m_badge; }
    double fade() const { return m_fade; }
    int pixelSize() const { return m_pixelSize; }
    bool isSwatch() const { return m_swatch; }

    QSize sizeHint() const override;

    // Icon and text colour for the current state: dark on a light checked accent, else white.
    QColor contentColor() const;
    // Pixel size of the badge font for a badge of the given length.
    static int badgePixelSize(int length);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void paintSwatch(QPainter &p, const QRectF &frame);
    void paintFace(QPainter &p, const QRectF &frame);
    void paintContent(QPainter &p);

    QString m_iconId;
    QColor m_accent{76, 154, 255};
    QString m_badge;
    double m_fade = 1.0;
    int m_pixelSize = 72;
    bool m_hovered = false;
    bool m_swatch = false;
};
