// Renders the touch controls in their main states to PNG files, at ratio 1 and 2.
// Usage: render_controls [output directory, default "docs"]
#include "controls/BottomBar.h"
#include "controls/FloatToolBar.h"
#include "controls/IconPainter.h"
#include "controls/Palette.h"
#include "controls/TouchButton.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QLinearGradient>
#include <QPainter>

#include <cstdio>
#include <functional>

namespace
{

QDir g_out;

// A stand-in slide behind the controls: light page, a title bar and a few text lines.
void paintSlide(QPainter &p, const QRect &r)
{
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(236, 241, 248));
    g.setColorAt(1, QColor(200, 214, 232));
    p.fillRect(r, g);
    p.fillRect(QRect(r.left(), r.top(), r.width(), qMin(36, r.height() / 4)), QColor(46, 84, 150));
    for (int y = r.top() + 52; y < r.bottom() - 10; y += 22)
        p.fillRect(QRect(r.left() + 24, y, r.width() * 2 / 3, 8), QColor(120, 134, 160));
}

// Saves the picture that paint draws into a logical size, once per pixel ratio.
void save(const QString &name, QSize size, const std::function<void(QPainter &)> &paint)
{
    for (int dpr : {1, 2}) {
        QImage img(size * dpr, QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(dpr);
        img.fill(Qt::transparent);
        QPainter p(&img);
        paint(p);
        p.end();
        const QString file = g_out.filePath(dpr == 1 ? name + ".png" : name + "@2x.png");
        if (!img.save(file))
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    }
}

// A widget over a slide that fills the picture, with the widget at offset.
void saveOverSlide(const QString &name, QWidget &w, QSize size, QPoint offset)
{
    QCoreApplication::processEvents();
    save(name, size, [&](QPainter &p) {
        paintSlide(p, QRect(QPoint(), size));
        w.render(&p, offset, QRegion(), QWidget::DrawChildren);
    });
}

void renderIcons()
{
    const QList<Icons::Id> ids = Icons::all();
    constexpr int kCell = 64, kColumns = 5;
    const int rows = (int(ids.size()) + kColumns - 1) / kColumns;
    save("icons", QSize(kColumns * kCell, rows * (kCell + 16)), [&](QPainter &p) {
        p.fillRect(QRect(0, 0, kColumns * kCell, rows * (kCell + 16)), Palette::kBackdrop);
        QFont font = p.font();
        font.setPixelSize(10);
        for (int i = 0; i < ids.size(); ++i) {
            const QRect cell((i % kColumns) * kCell, (i / kColumns) * (kCell + 16), kCell, kCell);
            Icons::draw(p, ids[i], QRectF(cell).adjusted(12, 12, -12, -12), Qt::white);
            p.setFont(font);
            p.setPen(QColor(200, 200, 210));
            p.drawText(QRect(cell.left(), cell.bottom(), kCell, 16), Qt::AlignCenter,
                       Icons::name(ids[i]));
        }
    });
}

void renderButtons()
{
    QWidget strip;
    strip.setAttribute(Qt::WA_TranslucentBackground);
    int count = 0;
    const auto add = [&](Icons::Id icon, const std::function<void(TouchButton &)> &setUp) {
        auto *b = new TouchButton(icon, &strip);
        b->setGeometry(12 + 84 * count++, 12, 72, 72);
        setUp(*b);
    };
    add(Icons::Id::Next, [](TouchButton &) {});
    add(Icons::Id::Next, [](TouchButton &b) {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(&b, &enter);
    });
    add(Icons::Id::Next, [](TouchButton &b) { b.setDown(true); });
    add(Icons::Id::Annotate, [](TouchButton &b) {
        b.setCheckable(true);
        b.setChecked(true);
    });
    add(Icons::Id::Annotate, [](TouchButton &b) {
        b.setCheckable(true);
        b.setChecked(true);
        b.setAccent(Palette::kInitialPen);
    });
    add(Icons::Id::None, [](TouchButton &b) { b.setBadge("12 / 345"); });
    add(Icons::Id::None, [](TouchButton &b) { b.setSwatch(Palette::kPenColors[2]); });
    add(Icons::Id::None, [](TouchButton &b) {
        b.setCheckable(true);
        b.setChecked(true);
        b.setSwatch(Palette::kPenColors[0]);
    });
    strip.resize(12 + 84 * count, 96);
    save("touchbutton", strip.size(), [&](QPainter &p) {
        p.fillRect(strip.rect(), Palette::kBackdrop);
        strip.render(&p, QPoint(), QRegion(), QWidget::DrawChildren);
    });
}

void renderBottomBar()
{
    const QRect screen(0, 0, 1280, 720);
    BottomBar bar;
    bar.setScreenRect(screen);
    bar.setPageText("3/12");
    bar.setHasTarget(true);
    const QSize picture(1280, 150);
    const QPoint at(0, 10);
    saveOverSlide("bottombar", bar, picture, at);
    bar.fadeTo(0.32);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 400)
        QCoreApplication::processEvents();
    saveOverSlide("bottombar-idle", bar, picture, at);
}

void renderFloatToolBar(const QString &name, Dock::Side side, bool folded, bool target)
{
    FloatToolBar bar;
    bar.setHasTarget(target);
    bar.show();
    bar.dockTo(side);
    if (folded)
        bar.findChild<TouchButton *>()->click(); // the grip comes first
    bar.setPenColor(Palette::kInitialPen);
    bar.setAnnotating(!folded);
    const QSize size = Dock::barSize(side, folded);
    saveOverSlide(name, bar, size + QSize(48, 48), QPoint(24, 24));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_out = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs"));
    g_out.mkpath(".");
    renderIcons();
    renderButtons();
    renderBottomBar();
    renderFloatToolBar("floattoolbar-right", Dock::Right, false, true);
    renderFloatToolBar("floattoolbar-bottom", Dock::Bottom, false, true);
    renderFloatToolBar("floattoolbar-folded", Dock::Right, true, true);
    renderFloatToolBar("floattoolbar-notarget", Dock::Right, false, false);
    return 0;
}
