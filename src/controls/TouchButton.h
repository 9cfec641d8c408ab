// The finger-sized button of every floating control: painted face, vector icon or text badge, fade.
// Leaves out what a click does, which the owner connects.
#pragma once

#include "controls/IconPainter.h"
#include "controls/IdleFade.h"
#include "controls/Palette.h"

#include <QAbstractButton>
#include <QColor>

class TouchButton : public QAbstractButton, public Fadable
{
    Q_OBJECT

public:
    explicit TouchButton(Icons::Id iconId, QWidget *parent = nullptr);

    void setIconId(Icons::Id id);
    void setAccent(const QColor &color);
    void setSwatch(const QColor &color);
    void setBadge(const QString &text);
    void setFade(double fade) override;
    void setPixelSize(int size);

    Icons::Id iconId() const { return m_iconId; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    // Icon and text colour for the current state: dark on a light checked accent, else white.
    QColor contentColor() const;
    void paintSwatch(QPainter &p, const QRectF &frame);
    void paintFace(QPainter &p, const QRectF &frame);
    void paintContent(QPainter &p);

    Icons::Id m_iconId;
    QColor m_accent = Palette::kAccent;
    QString m_badge;
    int m_pixelSize = 72;
    bool m_hovered = false;
    bool m_swatch = false;
};
