// The page counter: a button-sized face with the bold "current / total" text. Leaves out where the
// numbers come from.
#pragma once

#include "controls/IdleFade.h"

#include <QWidget>

class PageLabel : public QWidget, public Fadable
{
    Q_OBJECT

public:
    explicit PageLabel(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    void setFade(double fade) override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text = QStringLiteral("— / —");
    int m_size = 72;
};
