// The pen menu: status line and button states, clicks and what they emit, silent sync, fading.
#include "annotation/AnnotPanel.h"
#include "controls/TouchButton.h"

#include <QLabel>
#include <QtTest>

#include <memory>

namespace
{

using Tool = AnnotationOverlay::Tool;

QList<bool> checkedStates(const QList<TouchButton *> &buttons)
{
    QList<bool> states;
    for (const TouchButton *b : buttons)
        states << b->isChecked();
    return states;
}

QList<bool> onlyChecked(qsizetype size, qsizetype index)
{
    QList<bool> states(size, false);
    states[index] = true;
    return states;
}

// The status line's style: the inked or the plain colour at the given alpha.
QString statusStyle(bool inked, int alpha)
{
    return QStringLiteral("color:rgba(%1,%2); background:transparent;")
        .arg(inked ? "216,216,224" : "154,154,166")
        .arg(alpha);
}

} // namespace

class TestAnnotPanel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AnnotPanel> panel;
    std::unique_ptr<QSignalSpy> activity;

    QList<Tool> toolIds() const
    {
        QList<Tool> ids;
        for (const TouchButton *b : panel->toolButtons()) {
            if (b->property("toolId").isValid())
                ids << Tool(b->property("toolId").toInt());
        }
        return ids;
    }

private slots:
    void init()
    {
        panel = std::make_unique<AnnotPanel>();
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
        activity = std::make_unique<QSignalSpy>(panel.get(), &AnnotPanel::activity);
    }
    void cleanup()
    {
        activity.reset();
        panel.reset();
    }

    void initialLayout()
    {
        QCOMPARE(panel->windowTitle(), QStringLiteral("Podivex-AnnotPanel"));
        QCOMPARE(toolIds(),
                 (QList<Tool>{AnnotationOverlay::Pointer, AnnotationOverlay::Pen,
                              AnnotationOverlay::Highlighter, AnnotationOverlay::Eraser}));
        QCOMPARE(panel->toolButtons().mid(4),
                 (QList<TouchButton *>{panel->undoButton(), panel->clearButton()}));
        QCOMPARE(checkedStates(panel->toolButtons()), onlyChecked(6, 0));
        QCOMPARE(checkedStates(panel->swatches()), onlyChecked(6, 0));
        QCOMPARE(checkedStates(panel->widthButtons()), onlyChecked(3, 1));
        QCOMPARE(panel->toolButtons()[0]->toolTip(),
                 QStringLiteral("指针 / 穿透模式（可点击翻页）"));
        QCOMPARE(panel->toolButtons()[3]->toolTip(), QStringLiteral("橡皮擦"));
        QCOMPARE(panel->clearButton()->accent(), QColor(255, 89, 72));
        QCOMPARE(panel->swatches()[5]->toolTip(), QStringLiteral("画笔颜色 6"));
        QVERIFY(panel->swatches()[1]->isSwatch());
        QCOMPARE(panel->widthButtons()[2]->badge(), QStringLiteral("粗"));
        QCOMPARE(panel->widthButtons()[0]->toolTip(), QStringLiteral("笔迹粗细：细"));
        QCOMPARE(panel->swatches()[0]->size(), QSize(48, 48));
        // Columns of 72; rows of 72, 72, three of 48 and the status; spacing 10, margins 14.
        QCOMPARE(panel->panelSize().width(), 14 + 3 * 72 + 2 * 10 + 14);
        QVERIFY(panel->panelSize().height() >= 14 + 2 * 72 + 3 * 48 + 40 + 5 * 10 + 14);
    }

    void status_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("inked");
        QTest::newRow("no page, no ink") << 0 << 0 << QStringLiteral("本页暂无批注") << false;
        QTest::newRow("page 3, no ink")
            << 3 << 0 << QStringLiteral("第 3 页 · 本页暂无批注") << false;
        QTest::newRow("page 3, five strokes")
            << 3 << 5 << QStringLiteral("第 3 页 · 已批注 5 笔") << true;
        QTest::newRow("no page, two strokes")
            << 0 << 2 << QStringLiteral("第 ? 页 · 已批注 2 笔") << true;
        QTest::newRow("negative count")
            << 7 << -4 << QStringLiteral("第 7 页 · 本页暂无批注") << false;
    }
    void status()
    {
        QFETCH(int, page);
        QFETCH(int, count);
        QFETCH(QString, text);
        QFETCH(bool, inked);
        panel->setPageStatus(5, 9); // start from the other state
        panel->setPageStatus(page, count);
        QCOMPARE(panel->statusLabel()->text(), text);
        QCOMPARE(panel->statusLabel()->styleSheet(), statusStyle(inked, 255));
        QCOMPARE(panel->undoButton()->isEnabled(), inked);
        QCOMPARE(panel->clearButton()->isEnabled(), inked);
        QCOMPARE(panel->undoButton()->toolTip(),
                 QString(inked ? "撤销本页最后一笔" : "本页暂无批注"));
        QCOMPARE(panel->clearButton()->toolTip(),
                 QString(inked ? "清除本页全部批注" : "本页暂无批注"));
    }

    void toolClicks()
    {
        QSignalSpy tools(panel.get(), &AnnotPanel::toolChanged);
        for (int i : {1, 3, 3, 0}) {
            QTest::mouseClick(panel->toolButtons()[i], Qt::LeftButton);
            QCOMPARE(tools.takeFirst().first().value<Tool>(), Tool(i));
            QCOMPARE(checkedStates(panel->toolButtons()), onlyChecked(6, i));
        }
        QCOMPARE(activity->size(), 4);
        // Following the overlay's tool is silent and leaves undo and clear alone.
        panel->setPageStatus(1, 1);
        panel->syncTool(AnnotationOverlay::Highlighter);
        QCOMPARE(checkedStates(panel->toolButtons()), onlyChecked(6, 2));
        QVERIFY(tools.isEmpty() && activity->size() == 4);
        QVERIFY(panel->undoButton()->isEnabled() && panel->clearButton()->isEnabled());
    }

    void undoAndClearClicks()
    {
        QSignalSpy undo(panel.get(), &AnnotPanel::undoRequested);
        QSignalSpy clear(panel.get(), &AnnotPanel::clearRequested);
        QSignalSpy tools(panel.get(), &AnnotPanel::toolChanged);
        QTest::mouseClick(panel->undoButton(), Qt::LeftButton); // disabled without ink
        QTest::mouseClick(panel->clearButton(), Qt::LeftButton);
        QCOMPARE(undo.size() + clear.size() + activity->size(), 0);

        panel->setPageStatus(2, 3);
        connect(panel.get(), &AnnotPanel::undoRequested, this,
                [&] { QCOMPARE(activity->size(), 0); });
        QTest::mouseClick(panel->undoButton(), Qt::LeftButton);
        QCOMPARE(undo.size(), 1);
        QCOMPARE(activity->size(), 1);
        QTest::mouseClick(panel->clearButton(), Qt::LeftButton);
        QCOMPARE(clear.size(), 1);
        QCOMPARE(activity->size(), 2);
        QCOMPARE(tools.size(), 0);
        QCOMPARE(checkedStates(panel->toolButtons()), onlyChecked(6, 0));
    }

    void swatchAndWidthClicks()
    {
        QSignalSpy colors(panel.get(), &AnnotPanel::colorChanged);
        QSignalSpy widths(panel.get(), &AnnotPanel::widthChanged);
        QTest::mouseClick(panel->swatches()[3], Qt::LeftButton);
        QCOMPARE(colors.takeFirst().first().value<QColor>(), QColor(76, 154, 255));
        QCOMPARE(checkedStates(panel->swatches()), onlyChecked(6, 3));
        QTest::mouseClick(panel->swatches()[5], Qt::LeftButton);
        QCOMPARE(colors.takeFirst().first().value<QColor>(), QColor(16, 16, 20));
        QCOMPARE(checkedStates(panel->swatches()), onlyChecked(6, 5));

        QTest::mouseClick(panel->widthButtons()[2], Qt::LeftButton);
        QCOMPARE(widths.takeFirst().first().toInt(), 2);
        QTest::mouseClick(panel->widthButtons()[2], Qt::LeftButton); // stays chosen
        QCOMPARE(widths.takeFirst().first().toInt(), 2);
        QCOMPARE(checkedStates(panel->widthButtons()), onlyChecked(3, 2));
        QCOMPARE(activity->size(), 4);
    }

    void fade_data()
    {
        QTest::addColumn<double>("fade");
        QTest::addColumn<int>("alpha");
        QTest::newRow("idle") << 0.32 << 82;
        QTest::newRow("half") << 0.5 << 128;
        QTest::newRow("above one") << 1.5 << 255;
        QTest::newRow("zero") << 0.0 << 0;
        QTest::newRow("negative") << -0.2 << 0;
    }
    void fade()
    {
        QFETCH(double, fade);
        QFETCH(int, alpha);
        panel->setPageStatus(4, 2);
        panel->setFade(fade);
        QCOMPARE(panel->fade(), fade);
        QCOMPARE(panel->statusLabel()->styleSheet(), statusStyle(true, alpha));
        for (const TouchButton *b : panel->findChildren<TouchButton *>())
            QCOMPARE(b->fade(), fade);
        panel->setPageStatus(4, 0); // the faded alpha stays with the other colour
        QCOMPARE(panel->statusLabel()->styleSheet(), statusStyle(false, alpha));
    }

    void paintsAFadedCard()
    {
        auto cardAt = [&](double fade) {
            panel->setFade(fade);
            QImage image(panel->size(), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            panel->render(&image);
            return image;
        };
        const QImage full = cardAt(1.0);
        QCOMPARE(full.pixelColor(0, 0).alpha(), 0); // outside the rounded corner
        const QColor inside = full.pixelColor(6, panel->height() / 2);
        QVERIFY(inside.alpha() == 205 && inside.red() == 20);
        const QImage faded = cardAt(0.32);
        QVERIFY(qAbs(faded.pixelColor(6, panel->height() / 2).alpha() - 66) <= 1);
    }
};

QTEST_MAIN(TestAnnotPanel)
#include "tst_annotpanel.moc"
