// Pages with ink kept as pictures: the ways a page is left, the pixels of what is saved, the
// switch, and what a broken pictures folder or a hostile show title does.
#include "FakeBackend.h"
#include "UpdateRig.h"
#include "annotation/AnnotationOverlay.h"
#include "annotation/InkArchive.h"
#include "annotation/InkPicture.h"
#include "app/TrayMode.h"
#include "control/SlideController.h"
#include "controls/BottomBar.h"
#include "controls/FloatToolBar.h"

#include <QtTest>

#include <memory>
#if __has_include(<sys/resource.h>)
#include <csignal>
#include <sys/resource.h>
#endif

namespace
{

const win::Handle kShow = FakeBackend::handle(0x100001);

QColor slideColour(int page)
{
    return QColor::fromHsv(page * 70 % 360, 200, 200);
}

bool near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) < 40;
}

} // namespace

class TestInkSaving : public QObject
{
    Q_OBJECT

    QTemporaryDir root;
    FakeBackend *fake = nullptr;
    std::unique_ptr<TrayMode> tray;
    QStringList messages;
    int scale = 1;

    QString pictures() const { return root.filePath("HOME/Pictures/Podivex"); }
    QStringList folders() const
    {
        return QDir(pictures()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    }

    void start(const QString &title = "Presenting: deck.odp")
    {
        win::WindowInfo w;
        w.handle = kShow;
        w.title = title;
        w.processName = "SOFFICE.BIN";
        w.rect = QRect(0, 0, 1920, 1080);
        fake->windows = {w};
        fake->foreground = kShow;
        tray.reset();
        tray = std::make_unique<TrayMode>(false);
        connect(tray->archive(), &InkArchive::message, this,
                [this](const QString &text) { messages << text; });
        tray->toolBar()->setAnnotating(true);
    }
    // The show turns to the page before the program hears of it, as with a clicker.
    void showPage(int page)
    {
        QImage slide(1920 * scale, 1080 * scale, QImage::Format_RGB32);
        slide.fill(slideColour(page));
        fake->pictures[kShow] = slide;
    }
    void next()
    {
        showPage(tray->overlay()->currentPage() + 1);
        emit tray->bottomBar()->nextClicked();
    }
    void draw(int y)
    {
        QTest::mousePress(tray->overlay(), Qt::LeftButton, {}, QPoint(300, y));
        for (int x = 350; x <= 700; x += 50)
            QTest::mouseMove(tray->overlay(), QPoint(x, y));
        QTest::mouseRelease(tray->overlay(), Qt::LeftButton, {}, QPoint(700, y));
    }
    void endShow()
    {
        fake->windows.clear();
        tray->trackingTick();
    }
    // Ink at each of ys along the stroke, the slide's colour above, below and where the bar was.
    void checkPicture(const QString &folder, int page, const QList<int> &ys)
    {
        const QImage picture(
            QStringLiteral("%1/slide-%2.png").arg(folder).arg(page, 2, 10, QChar('0')));
        QCOMPARE(picture.size(), QSize(1920, 1080) * scale);
        for (int y : ys)
            QVERIFY2(near(picture.pixelColor(QPoint(500, y) * scale), Qt::red),
                     qPrintable(QString::number(y)));
        for (const QPoint at : {QPoint(500, 150), QPoint(500, 450), QPoint(960, 1050)})
            QVERIFY(near(picture.pixelColor(at * scale), slideColour(page)));
    }

private slots:
    void init()
    {
        UpdateRig::usePrivateFolders(root.path());
        QDir(root.path()).removeRecursively();
        QDir().mkpath(root.filePath("HOME"));
        fake = &FakeBackend::install();
        messages.clear();
        scale = 1;
    }
    void cleanup() { tray.reset(); }

    // Ink on slide 2, the slide left in one way; where the show goes on, ink on slide 3 too.
    void eachWayOfLeaving_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<int>("scale");
        for (const char *way : {"key", "button", "detach", "redetect", "quit"})
            QTest::newRow(way) << way << 1;
        QTest::newRow("physical pixels twice the logical") << "key" << 2;
    }
    void eachWayOfLeaving()
    {
        QFETCH(QString, way);
        QFETCH(int, scale);
        this->scale = scale;
        start();
        tray->overlay()->setColor(Qt::red);
        next();
        draw(300);
        showPage(3);
        if (way == "key")
            fake->keyHook(win::Key::PageDown);
        else if (way == "button")
            emit tray->bottomBar()->nextClicked();
        else if (way == "detach")
            endShow();
        else if (way == "redetect")
            tray->redetect();
        else
            tray.reset();
        const bool goesOn = way == "key" || way == "button";
        if (goesOn) {
            QCOMPARE(tray->overlay()->currentPage(), 3);
            draw(600);
            endShow();
        }
        QVERIFY(!tray || tray->archive()->waitForWrites(5000));
        QCOMPARE(folders().size(), 1);
        const QString folder = pictures() + '/' + folders().first();
        if (tray) {
            QTRY_COMPARE(messages.size(), 1);
            QCOMPARE(messages.first(), QStringLiteral("已保存 %1 页批注\n%2")
                                           .arg(goesOn ? 2 : 1)
                                           .arg(QDir::toNativeSeparators(folder)));
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), goesOn ? 2 : 1);
        checkPicture(folder, 2, {300});
        if (goesOn)
            checkPicture(folder, 3, {600});
    }

    // Drawing more after coming back replaces the page's picture; a visit without change keeps it.
    void drawingMoreReplaces()
    {
        start();
        tray->overlay()->setColor(Qt::red);
        next();
        draw(300);
        next();
        QVERIFY(tray->archive()->waitForWrites(5000));
        QCOMPARE(folders().size(), 1);
        const QString folder = pictures() + '/' + folders().first();
        QVERIFY(QFile::remove(folder + "/slide-02.png"));
        for (const int visit : {1, 2}) {
            showPage(2);
            fake->keyHook(win::Key::PageUp);
            if (visit == 2)
                draw(600);
            next();
            QVERIFY(tray->archive()->waitForWrites(5000));
            QCOMPARE(QFile::exists(folder + "/slide-02.png"), visit == 2);
        }
        checkPicture(folder, 2, {300, 600});
    }

    // Two pages with ink and none saved, or saved elsewhere; a problem is told once.
    void faults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("told");
        QTest::addColumn<int>("files");
        QTest::newRow("switched off") << "off" << 0 << 0;
        QTest::newRow("no ink") << "clean" << 0 << 0;
        QTest::newRow("no picture of the show") << "blank" << 1 << 0;
        QTest::newRow("pictures folder is a file") << "file" << 1 << 0;
        QTest::newRow("show folder name is a link") << "link" << 0 << 2;
#if __has_include(<sys/resource.h>)
        QTest::newRow("disk full") << "full" << 1 << 0;
#endif
    }
    void faults()
    {
        QFETCH(QString, fault);
        QVERIFY(InkArchive::setEnabled(fault != "off"));
        if (fault == "file")
            QVERIFY(UpdateRig::writeFile(root.filePath("HOME/Pictures"), "x"));
        const QString victim = root.filePath("victim");
        const QDateTime now = QDateTime::currentDateTime();
        for (const QDateTime &at : {now, now.addSecs(60)}) // the show may start a minute later
            QVERIFY(fault != "link" ||
                    (QDir().mkpath(victim) && QDir().mkpath(pictures()) &&
                     QFile::link(victim, pictures() + '/' + InkPicture::folderName("deck", at))));
        start("deck");
#if __has_include(<sys/resource.h>)
        rlimit before{};
        getrlimit(RLIMIT_FSIZE, &before);
        const rlimit none{0, before.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(fault != "full" || setrlimit(RLIMIT_FSIZE, &none) == 0);
#endif
        for (int page = 2; page <= 3; ++page) {
            next();
            if (fault == "blank")
                fake->pictures.clear();
            if (fault != "clean")
                draw(300);
        }
        endShow();
        const bool idle = tray->archive()->waitForWrites(5000);
#if __has_include(<sys/resource.h>)
        setrlimit(RLIMIT_FSIZE, &before);
#endif
        QVERIFY(idle);
        QCoreApplication::sendPostedEvents();
        QTEST(int(messages.size() - messages.filter("已保存").size()), "told");
        QStringList files;
        for (QDirIterator it(root.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             it.hasNext();)
            files << it.next();
        files = files.filter(".png");
        QTEST(int(files.size()), "files");
        QCOMPARE(messages.filter("已保存").size(), files.isEmpty() ? 0 : 1);
        QVERIFY(QDir(victim).isEmpty());
        QCOMPARE(folders().isEmpty(), fault != "link" && fault != "full");
    }

    // The one-shot switch: what it prints, and that it keeps the other sections of the file.
    void command_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("pattern");
        const QByteArray other = "[Update]\nmode=silent\n";
        const QStringList off{"--save-ink", "off"};
        QTest::newRow("on by default")
            << QByteArray() << QStringList{"--save-ink", "status"} << "^save-ink=on\n$";
        QTest::newRow("off") << other << off << "^save-ink=off\n$";
        QTest::newRow("on again") << other + "[Annotation]\nsaveInk=off\n"
                                  << QStringList{"--save-ink", "ON"} << "^save-ink=on\n$";
        QTest::newRow("unknown value") << other << QStringList{"--save-ink", "maybe"}
                                       << "^usage: .+ --save-ink on\\|off\\|status\n$";
        QTest::newRow("settings file is a folder") << QByteArray("/") << off << "^error: .+\n$";
    }
    void command()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, args);
        QFETCH(QString, pattern);
        const QString cfg = root.filePath("XDG_DATA_HOME/Quillmere/Podivex.ini");
        QVERIFY(ini == "/" ? QDir().mkpath(cfg) : UpdateRig::writeFile(cfg, ini));
        const QString out = QString::fromUtf8(UpdateRig::run(args).first);
        QVERIFY2(QRegularExpression(pattern).match(out).hasMatch(), qPrintable(out));
        if (out.startsWith("save-ink="))
            QCOMPARE(InkArchive::enabled(), out.startsWith("save-ink=on"));
        QVERIFY(UpdateRig::readFile(cfg).startsWith(ini.left(ini.indexOf("[Annotation]"))));
    }

    void folderNames_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("name");
        QTest::newRow("path characters") << "../a/b\\c:d*e?f\"g<h>i|j"
                                         << "abcdefghij";
        QTest::newRow("control characters") << "a\tb\nc\x7f"
                                            << "abc";
        QTest::newRow("only dots and blanks") << " . .. "
                                              << "放映";
        QTest::newRow("long, cut between surrogates") << QString(79, 'x') + "😀" << QString(79, 'x');
    }
    void folderNames()
    {
        QFETCH(QString, title);
        const QDateTime at(QDate(2026, 3, 4), QTime(5, 6));
        QFETCH(QString, name);
        QCOMPARE(InkPicture::folderName(title, at), name + " 2026-03-04 05-06");
    }
};

QTEST_MAIN(TestInkSaving)
#include "tst_inksaving.moc"
