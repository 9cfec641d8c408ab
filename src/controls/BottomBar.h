// The bottom bar: show controls in one lower corner, navigation and page counter in the other.
#pragma once

#include <QList>
#include <QRect>
#include <QWidget>

#include <functional>

class IdleFade;
class QHBoxLayout;
class TouchButton;

// A dark rounded card holding a row of buttons.
class BarGroup : public QWidget
{
    Q_OBJECT

public:
    explicit BarGroup(QWidget *parent = nullptr);

    QHBoxLayout *row() const { return m_layout; }
    double fade() const { return m_fade; }
    // Stores the fade and repaints when it differs.
    void setFade(double fade);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QHBoxLayout *m_layout;
    double m_fade = 1.0;
};

// The page counter: a button-sized face with the bold "current / total" text.
class PageLabel : public QWidget
{
    Q_OBJECT

public:
    explicit PageLabel(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    double fade() const { return m_fade; }
    void setFade(double fade);
    QSize sizeHint() const override;

    // Pixel size of the text font for a text of the given length.
    static int textPixelSize(int length);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text = QStringLiteral("— / —");
    double m_fade = 1.0;
    int m_size = 72;
};

class BottomBar : public QWidget
{
    Q_OBJECT

public:
    explicit BottomBar(QWidget *parent = nullptr);

    void setScreenRect(const QRect &rect);
    void setHasTarget(bool on);
    void setUserVisible(bool on);
    void setPageText(const QString &text);
    void applyNativeStyles();
    void resetIdle();
    void fadeTo(double x);

    QRect screenRect() const { return m_screenRect; }
    bool isSwapped() const { return m_swapped; }
    double fade() const;
    QString pageText() const;

signals:
    void prevClicked();
    void nextClicked();
    void endClicked();
    void minimizeClicked();
    void userActivity();

protected:
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildUi();
    BarGroup *addGroup();
    void addButton(BarGroup *group, const QString &icon, const QString &toolTip,
                   const std::function<void()> &action);
    void swapGroups();
    void applyFade();
    void applyGeometry();
    void applyGroupOrder();
    void updateVisibility();
    void updateShape();

    QHBoxLayout *m_layout = nullptr;
    BarGroup *m_leftGroup = nullptr;
    BarGroup *m_rightGroup = nullptr;
    QList<TouchButton *> m_buttons;
    PageLabel *m_pageLabel = nullptr;
    QRect m_screenRect;
    bool m_hasTarget = false;
    bool m_userVisible = true;
    bool m_swapped = false;
    IdleFade *m_fader;
};
