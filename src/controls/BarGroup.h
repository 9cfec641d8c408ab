// A dark rounded card holding a row of the bottom bar's buttons. Leaves out the buttons' actions
// and the card's place, which the bar decides.
#pragma once

#include "controls/IdleFade.h"

#include <QWidget>

class QHBoxLayout;

class BarGroup : public QWidget, public Fadable
{
    Q_OBJECT

public:
    explicit BarGroup(QWidget *parent = nullptr);

    QHBoxLayout *row() const { return m_layout; }
    void setFade(double fade) override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QHBoxLayout *m_layout;
};
