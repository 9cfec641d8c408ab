// Pages with ink kept as pictures: the ways a page is left, the pixels of what is saved, the
// switch, and what a broken pictures folder, a full disk or a hostile show title does. The one-shot
// switch is the command suite's.
#include "FakeBackend.h"
#include "UpdateRig.h"
#include "annotation/AnnotationOverlay.h"
#include "annotation/InkArchive.h"
#include "annotation/InkPicture.h"
#include "app/TrayMode.h"
#include "controls/BottomBar.h"
#include "controls/FloatToolBar.h"

#include <QtTest>
#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>

// While alive, no file of the process can grow, as on a full disk.
struct DiskFull {
    rlimit before{};
    explicit DiskFull(bool on)
    {
        getrlimit(RLIMIT_FSIZE, &before);
        const rlimit none{0, before.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        if (on)
            setrlimit(RLIMIT_FSIZE, &none);
    }
    ~DiskFull() { setrlimit(RLIMIT_FSIZE, &before); }
};
#endif

namespace
{
QRgb slideColour(int page)
{
    return QColor::fromHsv(page * 70, 200, 200).rgb();
}
} // namespace

class TestInkSaving : public QObject
{
    Q_OBJECT

    QTemporaryDir root;
    FakeBackend *fake = nullptr;
    std::unique_ptr<TrayMode> tray;
    QStringList messages;
    const win::Handle kShow = FakeBackend::handle(0x100001);

    QString pictures() const { return root.filePath("HOME/Pictures/Podivex"); }
    QString folder() const // the show's, when it is the only one
    {
        const QStringList all =
            QDir(pictures()).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
        return all.size() == 1 ? pictures() + '/' + all.first() : QString();
    }

private slots:
    void init()
    {
        UpdateRig::usePrivateFolders(root.path());
        QDir(root.path()).removeRecursively();
        fake = &FakeBackend::install();
        messages.clear();
    }
    void cleanup() { tray.reset(); }

    // Steps: n next by our button, k next by a clicker, p back by a clicker (each after the show
    // moved), 3 or 6 ink at y 300 or 600, u undo, b no picture of the show to be had, w writes
    // done, e show ended, r re-detect, q quit. Saved: "page:y+y ..." for each picture expected.
    void saving_data()
    {
        for (const char *column : {"setup", "steps", "told", "saved", "title", "name"})
            QTest::addColumn<QString>(column);
        const auto row = [](const char *name, const char *setup, const char *steps,
                            const char *told, const char *saved, const QString &title = "../de/ck",
                            const QString &folder = "deck 2") {
            QTest::newRow(name) << setup << steps << told << saved << title << folder;
        };
        row("a clicker's key", "", "n3k6e", "0", "2:300 3:600");
        row("our button", "", "n3n6e", "0", "2:300 3:600");
        row("physical pixels twice the logical", "2x", "n3k6e", "0", "2:300 3:600");
        row("show lost", "", "n3e", "0", "2:300");
        row("re-detect", "", "n3r", "0", "2:300");
        row("quit", "", "n3q", "0", "2:300");
        row("more ink after coming back replaces", "", "n3kwp6e", "0", "2:300+600");
        row("undo after coming back replaces", "", "n36kwpue", "0", "2:300");
        row("control characters in the title", "", "n3e", "0", "2:300", "a\tb\nc\x7f", "abc 2");
        row("title of dots and blanks", "", "n3e", "0", "2:300", " . .. ", "放映 2");
        row("long title", "", "n3e", "0", "2:300", QString(79, 'x') + "😀", QString(79, 'x') + " 2");
        row("no ink", "", "nne", "0", "");
        row("switched off", "off", "n3n3e", "0", "");
        row("no picture of the show", "", "nb3nb3e", "1", "");
        row("pictures folder is a file", "file", "n3n3e", "1", "");
        row("show folder name taken by a link", "link", "n3n3e", "0", "2:300 3:300");
#ifdef Q_OS_UNIX
        row("disk full", "full", "n3n3e", "1", "");
#endif
    }
    void saving()
    {
        QFETCH(QString, setup);
        QFETCH(QString, steps);
        QFETCH(QString, title);
        const int scale = setup == "2x" ? 2 : 1;
        QVERIFY(InkArchive::setEnabled(setup != "off"));
        QVERIFY(setup != "file" || UpdateRig::writeFile(root.filePath("HOME/Pictures"), "x"));
        const QString victim = root.filePath("victim");
        const QDateTime now = QDateTime::currentDateTime();
        for (const QDateTime &at : {now, now.addSecs(60)}) // the show may start a minute later
            QVERIFY(setup != "link" ||
                    (QDir().mkpath(victim) && QDir().mkpath(pictures()) &&
                     QFile::link(victim, pictures() + '/' + InkPicture::folderName(title, at))));
        fake->windows = {
            {kShow, title, {}, "SOFFICE.BIN", 1, QRect(0, 0, 1920, 1080), true, false, {}}};
        fake->foreground = kShow;
        tray = std::make_unique<TrayMode>(false);
        connect(tray->archive(), &InkArchive::message, this, [this](QString t) { messages << t; });
        tray->toolBar()->setAnnotating(true);
        tray->overlay()->setColor(Qt::red);
        {
#ifdef Q_OS_UNIX
            const DiskFull full(setup == "full");
#endif
            for (const QChar step : steps) {
                const int y = step.digitValue() * 100;
                if (step == 'n' || step == 'k' || step == 'p') { // the show turns first
                    QImage slide(QSize(1920, 1080) * scale, QImage::Format_RGB32);
                    slide.fill(
                        slideColour(tray->overlay()->currentPage() + (step == 'p' ? -1 : 1)));
                    fake->pictures[kShow] = slide;
                }
                if (step == 'n') {
                    emit tray->bottomBar()->nextClicked();
                } else if (step == 'k' || step == 'p') {
                    fake->keyHook(step == 'p' ? win::Key::PageUp : win::Key::PageDown);
                } else if (step.isDigit()) {
                    QTest::mousePress(tray->overlay(), Qt::LeftButton, {}, QPoint(300, y));
                    QTest::mouseMove(tray->overlay(), QPoint(700, y));
                    QTest::mouseRelease(tray->overlay(), Qt::LeftButton, {}, QPoint(700, y));
                } else if (step == 'b') {
                    fake->pictures.clear();
                } else if (step == 'w') {
                    QVERIFY(tray->archive()->waitForWrites(30000));
                    QCoreApplication::sendPostedEvents();
                } else if (step == 'u') {
                    tray->overlay()->undo();
                } else if (step == 'e') {
                    fake->windows.clear();
                    tray->trackingTick();
                } else {
                    step == 'r' ? tray->redetect() : tray.reset();
                }
            }
            QVERIFY(!tray || tray->archive()->waitForWrites(30000));
        }
        QCoreApplication::sendPostedEvents();
        const QStringList summaries = messages.filter("已保存");
        QTEST(QString::number(messages.size() - summaries.size()), "told");
        QStringList files; // half-written ones too
        for (QDirIterator it(root.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             it.hasNext();)
            files << it.next();
        QFETCH(QString, saved);
        const QStringList pages = saved.split(' ', Qt::SkipEmptyParts);
        QCOMPARE(files.filter(".png").size(), pages.size());
        for (const QString &page : pages) { // ink along each stroke, the slide elsewhere
            const QImage picture(folder() + "/slide-0" + page.left(1) + ".png");
            QCOMPARE(picture.size(), QSize(1920, 1080) * scale);
            for (int y : {150, 300, 450, 600, 1050}) // the middle of a stroke is all ink
                QCOMPARE(picture.pixel(QPoint(500, y) * scale),
                         page.contains(QString::number(y)) ? qRgb(255, 0, 0)
                                                           : slideColour(page.left(1).toInt()));
        }
        QFETCH(QString, name); // a long name cut between the halves of a character, or not
        QVERIFY(pages.isEmpty() || QFileInfo(folder()).fileName().startsWith(name));
        const QString summary = QStringLiteral("已保存 %1 页批注\n").arg(pages.size()) +
                                QDir::toNativeSeparators(folder());
        QCOMPARE(summaries,
                 pages.isEmpty() || steps.endsWith('q') ? QStringList() : QStringList(summary));
        QVERIFY(QDir(victim).isEmpty());
    }
};

QTEST_MAIN(TestInkSaving)
#include "tst_inksaving.moc"
