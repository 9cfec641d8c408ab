// The touch button's face by state, content colour, badge, pressed icon, swatch mode and repaints.
#include "controls/TouchButton.h"

#include "PaintCounter.h"
#include <QtTest>

namespace
{

// Background pixel of the face, away from the icon and the outline.
constexpr QPoint kFace(8, 36);
// Pixel on the outline at the middle of the left edge.
constexpr QPoint kEdge(1, 36);
// Pixel inside the bar of the "minimize" icon.
constexpr QPoint kIcon(36, 46);

QImage render(QWidget &w)
{
    QImage img(w.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

void hover(QWidget &w, bool on)
{
    if (on) {
        QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), w.mapToGlobal(QPointF(10, 10)));
        QApplication::sendEvent(&w, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&w, &leave);
    }
}

// The button rendered while hovered and/or held down.
QImage renderIn(TouchButton &b, bool hovered, bool pressed)
{
    hover(b, hovered);
    if (pressed)
        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(36, 36));
    const QImage img = render(b);
    if (pressed)
        QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(36, 36));
    return img;
}

// Bounds of the nearly white pixels: the icon or badge.
QRect whiteBounds(const QImage &img)
{
    QRect r;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.alpha() > 240 && c.red() > 240 && c.blue() > 240)
                r |= QRect(x, y, 1, 1);
        }
    }
    return r;
}

bool near(QColor got, QColor want)
{
    return qAbs(got.alpha() - want.alpha()) <= 2 && qAbs(got.red() - want.red()) <= 3 &&
           qAbs(got.green() - want.green()) <= 3 && qAbs(got.blue() - want.blue()) <= 3;
}

} // namespace

class TestTouchButton : public QObject
{
    Q_OBJECT

private slots:
    void faceByState_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("hovered");
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<QColor>("face");
        QTest::addColumn<int>("edgeMin");
        QTest::addColumn<int>("edgeMax");
        const QColor accent(76, 154, 255);
        QTest::newRow("resting") << false << false << false << QColor(255, 255, 255, 20) << 0 << 20;
        QTest::newRow("hovered") << false << true << false << QColor(255, 255, 255, 42) << 70
                                 << 140;
        QTest::newRow("pressed") << false << false << true << QColor(255, 255, 255, 78) << 80
                                 << 160;
        QTest::newRow("checked") << true << false << false << accent << 200 << 255;
        QTest::newRow("checked hovered") << true << true << false << accent << 200 << 255;
        QTest::newRow("checked pressed")
            << true << false << true << QColor(255, 255, 255, 78) << 200 << 255;
    }
    void faceByState()
    {
        QFETCH(bool, checked);
        QFETCH(bool, hovered);
        QFETCH(bool, pressed);
        QFETCH(QColor, face);
        QFETCH(int, edgeMin);
        QFETCH(int, edgeMax);
        TouchButton b("minimize");
        b.resize(72, 72);
        b.setCheckable(true);
        b.setChecked(checked);
        const QImage img = renderIn(b, hovered, pressed);
        QVERIFY2(near(img.pixelColor(kFace), face),
                 qPrintable(img.pixelColor(kFace).name(QColor::HexArgb)));
        const int edge = img.pixelColor(kEdge).alpha();
        QVERIFY2(edge >= edgeMin && edge <= edgeMax, qPrintable(QString::number(edge)));
    }

    void contentColourFollowsAccentBrightness_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QColor>("accent");
        QTest::addColumn<QColor>("content");
        const QColor dark(16, 16, 20), white(Qt::white);
        QTest::newRow("default accent, brightness 142.2") << true << QColor(76, 154, 255) << dark;
        QTest::newRow("pen red, brightness 103") << true << QColor(255, 59, 48) << white;
        QTest::newRow("yellow") << true << QColor(255, 214, 0) << dark;
        QTest::newRow("brightness just under 140") << true << QColor(139, 139, 139) << white;
        QTest::newRow("brightness 140") << true << QColor(140, 140, 140) << dark;
        QTest::newRow("unchecked is white") << false << QColor(255, 214, 0) << white;
    }
    void contentColourFollowsAccentBrightness()
    {
        QFETCH(bool, checked);
        QFETCH(QColor, accent);
        QFETCH(QColor, content);
        TouchButton b("minimize");
        b.resize(72, 72);
        b.setCheckable(true);
        b.setChecked(checked);
        b.setAccent(accent);
        QCOMPARE(render(b).pixelColor(kIcon), content);
    }

    void badgeReplacesIcon_data()
    {
        QTest::addColumn<QString>("badge");
        QTest::addColumn<int>("pixelSize");
        QTest::newRow("5") << QStringLiteral("88888") << 22;
        QTest::newRow("6") << QStringLiteral("888888") << 18;
        QTest::newRow("7") << QStringLiteral("8888888") << 18;
        QTest::newRow("8") << QStringLiteral("88888888") << 15;
    }
    void badgeReplacesIcon()
    {
        QFETCH(QString, badge);
        QFETCH(int, pixelSize);
        QCOMPARE(TouchButton::badgePixelSize(int(badge.size())), pixelSize);
        TouchButton b("minimize");
        b.resize(140, 72);
        b.setBadge(badge);
        // Digits in bold are roughly 0.73 of the pixel size high, centred in the button.
        const QRect ink = whiteBounds(render(b));
        QVERIFY2(qAbs(ink.height() - 0.73 * pixelSize) <= 2.5,
                 qPrintable(QString::number(ink.height())));
        QVERIFY(qAbs(ink.center().x() - 70) <= 2 && qAbs(ink.center().y() - 36) <= 2);
        b.setBadge(QString()); // the icon comes back
        QCOMPARE(render(b).pixelColor(70, 46), QColor(Qt::white));
    }

    void iconSize_data()
    {
        QTest::addColumn<QString>("icon");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<double>("inkWidth");
        // The bar spans 0.72 of the icon box, which is 0.54 of the side, times 0.86 when pressed.
        QTest::newRow("resting") << "minimize" << 72 << false << 0.72 * 0.54 * 72;
        QTest::newRow("pressed") << "minimize" << 72 << true << 0.72 * 0.54 * 0.86 * 72;
        QTest::newRow("wide: smaller side") << "minimize" << 140 << false << 0.72 * 0.54 * 72;
        QTest::newRow("unknown icon") << "nothing" << 72 << false << 0.0;
    }
    void iconSize()
    {
        QFETCH(QString, icon);
        QFETCH(int, width);
        QFETCH(bool, pressed);
        QFETCH(double, inkWidth);
        TouchButton b(icon);
        b.resize(width, 72);
        const QRect ink = whiteBounds(renderIn(b, false, pressed));
        QVERIFY2(qAbs(ink.width() - inkWidth) <= 1.5, qPrintable(QString::number(ink.width())));
        QVERIFY(ink.isEmpty() || qAbs(ink.center().x() - width / 2) <= 1);
    }

    void swatch_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("hovered");
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<int>("alpha");
        QTest::newRow("resting") << false << false << false << 170;
        QTest::newRow("hovered") << false << true << false << 210;
        QTest::newRow("pressed") << false << true << true << 235;
        QTest::newRow("checked") << true << true << true << 255;
    }
    void swatch()
    {
        QFETCH(bool, checked);
        QFETCH(bool, hovered);
        QFETCH(bool, pressed);
        QFETCH(int, alpha);
        TouchButton b("minimize");
        b.resize(72, 72);
        b.setBadge("12");
        b.setCheckable(true);
        b.setChecked(checked);
        b.setSwatch(QColor(0, 200, 80));
        QVERIFY(b.isSwatch());
        const QImage img = renderIn(b, hovered, pressed);
        // One colour everywhere inside: no icon, no badge.
        for (const QPoint &pt : {kFace, kIcon, QPoint(36, 36)}) {
            const QColor c = img.pixelColor(pt);
            QVERIFY2(qAbs(c.alpha() - alpha) <= 2 && qAbs(c.green() - 200) <= 3 && c.red() <= 3,
                     qPrintable(c.name(QColor::HexArgb)));
        }
        // A white ring marks the chosen swatch.
        const QColor edge = img.pixelColor(2, 36);
        QVERIFY(checked ? edge.red() > 220 && edge.blue() > 220 : edge.red() <= 3);
    }

    void fadeScalesTheWholeButton()
    {
        TouchButton b("minimize");
        b.resize(72, 72);
        b.setFade(0.5);
        const QImage img = render(b);
        QVERIFY(qAbs(img.pixelColor(kFace).alpha() - 10) <= 1);
        // Half-opaque white over the half-faded face: 127.5 + 0.5 * 10.
        QVERIFY(qAbs(img.pixelColor(kIcon).alpha() - 133) <= 2);
    }

    void repaintsOnlyOnChange()
    {
        TouchButton b("minimize");
        b.resize(72, 72);
        b.show();
        QVERIFY(QTest::qWaitForWindowExposed(&b));
        PaintCounter counter(&b);
        auto paintsAfter = [&](const std::function<void()> &change) {
            QCoreApplication::processEvents();
            counter.paints = 0;
            change();
            QCoreApplication::processEvents();
            return counter.paints;
        };
        QCOMPARE(paintsAfter([&] { b.setFade(1.0 + 1e-14); }), 0);
        QCOMPARE(paintsAfter([&] { b.setFade(0.5); }), 1);
        QCOMPARE(paintsAfter([&] { b.setBadge(QString()); }), 0);
        QCOMPARE(paintsAfter([&] { b.setBadge("1"); }), 1);
        QCOMPARE(paintsAfter([&] { b.setBadge("1"); }), 0);
        QCOMPARE(paintsAfter([&] { b.setIconId("minimize"); }), 1);
        QCOMPARE(paintsAfter([&] { b.setAccent(Qt::red); }), 1);
        QCOMPARE(b.sizeHint(), QSize(72, 72));
        QCOMPARE(paintsAfter([&] { b.setPixelSize(60); }), 0); // only the size hint changes
        QCOMPARE(b.sizeHint(), QSize(60, 60));
        QCOMPARE(paintsAfter([&] { hover(b, true); }), 1);
        QCOMPARE(paintsAfter([&] { hover(b, false); }), 1);
    }
};

QTEST_MAIN(TestTouchButton)
#include "tst_touchbutton.moc"
