// The touch button's look by state and the icons inside it, checked on rendered pixels.
#include "controls/TouchButton.h"

#include <QPainter>
#include <QtTest>

namespace
{

constexpr QPoint kFace(8, 36), kIcon(36, 46); // the face's background; inside the "minimize" bar

QImage render(QWidget &w)
{
    QImage img(w.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

QImage renderIn(TouchButton &b, bool hovered, bool pressed)
{
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), b.mapToGlobal(QPointF(10, 10)));
    if (hovered)
        QApplication::sendEvent(&b, &enter);
    if (pressed)
        QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(36, 36));
    return render(b);
}

} // namespace

class TestTouchButton : public QObject
{
    Q_OBJECT

private slots:
    void faceLightensOnHoverAndPress()
    {
        TouchButton b(Icons::Id::Minimize);
        b.resize(72, 72);
        const int resting = renderIn(b, false, false).pixelColor(kFace).alpha();
        const int hovered = renderIn(b, true, false).pixelColor(kFace).alpha();
        const int pressed = renderIn(b, true, true).pixelColor(kFace).alpha();
        QVERIFY(0 < resting && resting < hovered && hovered < pressed && pressed < 255);
    }

    void checkedFaceTakesTheAccent_data()
    {
        QTest::addColumn<QColor>("accent");
        QTest::addColumn<QColor>("icon");
        QTest::newRow("pen red: white icon") << Palette::kInitialPen << QColor(Qt::white);
        QTest::newRow("light blue: dark icon") << Palette::kAccent << Palette::kDarkContent;
        QTest::newRow("yellow: dark icon") << Palette::kPenColors[1] << Palette::kDarkContent;
    }
    void checkedFaceTakesTheAccent()
    {
        QFETCH(QColor, accent);
        QFETCH(QColor, icon);
        TouchButton b(Icons::Id::Minimize);
        b.resize(72, 72);
        b.setCheckable(true);
        b.setAccent(accent);
        QCOMPARE(render(b).pixelColor(kIcon), QColor(Qt::white));
        b.setChecked(true);
        const QImage img = render(b);
        QCOMPARE(img.pixelColor(kFace), accent);
        QCOMPARE(img.pixelColor(kIcon), icon);
    }

    void swatchIsOneColourWithARingWhenChosen()
    {
        TouchButton b(Icons::Id::Minimize);
        b.resize(72, 72);
        b.setBadge("12");
        b.setCheckable(true);
        b.setSwatch(Palette::kPenColors[2]);
        for (bool checked : {false, true}) {
            b.setChecked(checked);
            const QImage img = render(b);
            const QColor face = img.pixelColor(kFace);
            QVERIFY(qAbs(face.hue() - Palette::kPenColors[2].hue()) <= 2);
            QCOMPARE(img.pixelColor(kIcon), face);
            QCOMPARE(img.pixelColor(2, 36).red() > 200, checked); // a white ring
        }
    }

    void everyIconPaintsInsideItsBox()
    {
        QStringList names;
        for (Icons::Id id : Icons::all()) {
            QImage img(200, 200, QImage::Format_ARGB32_Premultiplied);
            img.fill(Qt::transparent);
            QPainter p(&img);
            const QRectF box(37.5, 41, 120, 120);
            Icons::draw(p, id, box, Qt::white);
            p.end();
            QRect ink;
            for (int y = 0; y < img.height(); ++y) {
                for (int x = 0; x < img.width(); ++x)
                    ink |= qAlpha(img.pixel(x, y)) ? QRect(x, y, 1, 1) : QRect();
            }
            names << Icons::name(id);
            QVERIFY2(box.adjusted(-1, -1, 1, 1).contains(QRectF(ink)), qPrintable(names.last()));
            QVERIFY2(ink.width() > 60 || ink.height() > 60, qPrintable(names.last()));
        }
        QCOMPARE(names.size(), 15);
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), 15);
        QVERIFY(Icons::name(Icons::Id::None).isEmpty());
    }
};

QTEST_MAIN(TestTouchButton)
#include "tst_touchbutton.moc"
