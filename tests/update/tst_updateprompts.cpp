// The updater in tray mode: dialog texts, buttons and answers, notifications, log, schedule.
#include "update/UpdatePrompts.h"

#include <QtTest>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>

namespace
{

// What one notification handler was asked to show.
struct Notices {
    QStringList shown;
    UpdatePrompts::Notify notify()
    {
        return [this](const QString &text, int ms) {
            shown << QStringLiteral("%1 %2").arg(text).arg(ms);
        };
    }
};

// Waits for the next modal message box, describes it, and answers it with the named button
// (or Esc when the name is empty).
class DialogAnswerer
{
public:
    explicit DialogAnswerer(const QString &button) : m_button(button)
    {
        m_poll.setInterval(20);
        QObject::connect(&m_poll, &QTimer::timeout, &m_poll, [this] { answer(); });
        m_poll.start();
    }
    QString text;
    QString informative;
    QStringList buttons; // "label/role" in the order added
    QString defaultButton;
    QSize iconSize;

private:
    void answer()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        m_poll.stop();
        text = box->text();
        informative = box->informativeText();
        for (QAbstractButton *b : box->buttons())
            buttons << QStringLiteral("%1/%2").arg(b->text()).arg(int(box->buttonRole(b)));
        defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        iconSize = box->iconPixmap().size() / box->iconPixmap().devicePixelRatio();
        if (m_button.isEmpty()) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        for (QAbstractButton *b : box->buttons())
            if (b->text() == m_button)
                b->click();
    }
    QString m_button;
    QTimer m_poll;
};

Updater::Info offer()
{
    Updater::Info info;
    info.version = QStringLiteral("2.0");
    info.notes = QStringLiteral("修复问题");
    info.url = QStringLiteral("http://127.0.0.1:1/setup.exe");
    info.sha256 = QString(64, QLatin1Char('a'));
    return info;
}

QIcon testIcon()
{
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::darkBlue);
    return QIcon(pixmap);
}

} // namespace

class TestUpdatePrompts : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QCoreApplication::setOrganizationName(QStringLiteral("Quillmere"));
        QCoreApplication::setApplicationName(QStringLiteral("Podivex"));
        qputenv("XDG_DATA_HOME", m_home.path().toLocal8Bit());
        qputenv("TMPDIR", m_home.path().toLocal8Bit());
        // As in the program, which has no main window: closing a dialog must not end it.
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void init() { QFile::remove(m_home.filePath(QStringLiteral("Quillmere/Podivex.ini"))); }

    void sizeText()
    {
        const QList<QPair<qint64, QString>> cases{{0, ""},
                                                  {-5, ""},
                                                  {100, "（约 0.0 MB）"},
                                                  {1572864, "（约 1.5 MB）"},
                                                  {qint64(300) * 1048576, "（约 300.0 MB）"}};
        for (const auto &[size, text] : cases)
            QCOMPARE(UpdatePrompts::sizeText(size), text);
    }

    void dialog_data()
    {
        QTest::addColumn<bool>("forced");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("quits");
        QTest::addColumn<bool>("downloads");
        QTest::addColumn<bool>("skipped");
        QTest::addColumn<QStringList>("notices");
        const auto row = [](const char *name, bool forced, qint64 size, const char *button,
                            const QString &text, bool quits, bool downloads, bool skipped,
                            const QStringList &notices) {
            QTest::newRow(name) << forced << size << QString(button) << text << quits << downloads
                                << skipped << notices;
        };
        const QString optional = QStringLiteral("有新版本 v2.0 （约 1.5 MB）\n当前版本 v1.0.0.1");
        const QString noSize = QStringLiteral("有新版本 v2.0 \n当前版本 v1.0.0.1");
        const QString forced =
            QStringLiteral("必须更新到 v2.0 才能继续使用。\n当前版本 v1.0.0.1 已不再受支持。");
        const QStringList started{"开始下载 v2.0 1200"};
        row("update now", false, 1572864, "立即更新", optional, false, true, false, started);
        row("later", false, 0, "稍后提醒", noSize, false, false, false, {});
        row("escape does nothing", false, 0, "", noSize, false, false, false, {});
        row("skip", false, 0, "跳过此版本", noSize, false, false, true,
            {"已跳过 v2.0，下次更新版本会再提醒 2500"});
        row("forced, update", true, 1572864, "立即更新", forced, false, true, false, started);
        row("forced, quit", true, 0, "退出程序", forced, true, false, false, {});
        row("forced, escape quits", true, 0, "", forced, true, false, false, {});
    }

    // Every dialog runs inside the application's event loop, so that a requested quit shows.
    void dialog()
    {
        QFETCH(bool, forced);
        QFETCH(qint64, size);
        QFETCH(QString, button);
        QFETCH(QString, text);
        QFETCH(bool, quits);
        QFETCH(bool, downloads);
        QFETCH(bool, skipped);
        QFETCH(QStringList, notices);
        Updater updater;
        Notices seen;
        UpdatePrompts::connectTray(&updater, seen.notify(), testIcon());
        Updater::Info info = offer();
        info.size = size;
        DialogAnswerer answerer(button);
        QTimer::singleShot(0, &updater, [&] {
            emit updater.prompt(info, forced, true);
            // Without a quit request the loop ends here.
            QTimer::singleShot(200, &updater, [] { QCoreApplication::exit(5); });
        });
        if (downloads)
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression(QStringLiteral("^更新检查失败: 下载失败：")));
        QCOMPARE(QCoreApplication::exec(), quits ? 0 : 5);
        QCOMPARE(answerer.text, text);
        QCOMPARE(answerer.informative, QStringLiteral("更新内容：\n修复问题"));
        QCOMPARE(answerer.iconSize, QSize(48, 48));
        const QStringList buttons = forced
                                        ? QStringList{"立即更新/0", "退出程序/1"}
                                        : QStringList{"立即更新/0", "稍后提醒/1", "跳过此版本/2"};
        QCOMPARE(answerer.buttons, buttons);
        QCOMPARE(answerer.defaultButton, forced ? QString() : QStringLiteral("立即更新"));
        QCOMPARE(Updater::isSkipped(info.version), skipped);
        // A started download may add its own progress notices after the first.
        QCOMPARE(seen.shown.mid(0, downloads ? 1 : -1), notices);
    }

    // Attached to a tray icon, the dialog shows that icon's image.
    void attachedToTrayIcon()
    {
        QSystemTrayIcon tray(testIcon());
        Updater updater;
        UpdatePrompts::connectTray(&updater, &tray);
        DialogAnswerer answerer(QStringLiteral("稍后提醒"));
        emit updater.prompt(offer(), false, false);
        QCOMPARE(answerer.text, QStringLiteral("有新版本 v2.0 \n当前版本 v1.0.0.1"));
        QCOMPARE(answerer.iconSize, QSize(48, 48));
    }

    void notificationsAndLog()
    {
        Updater updater;
        Notices seen;
        UpdatePrompts::connectTray(&updater, seen.notify(), testIcon());
        emit updater.status(QStringLiteral("正在检查更新，请稍候…"), 2000);
        emit updater.progress(42, QStringLiteral("正在下载更新 42%"));
        emit updater.finished(true, QStringLiteral("发现新版本 v2.0"));
        QTest::ignoreMessage(QtWarningMsg, "更新检查失败: 更新清单格式错误");
        emit updater.finished(false, QStringLiteral("更新清单格式错误"));
        QCOMPARE(seen.shown, (QStringList{"正在检查更新，请稍候… 2000", "正在下载更新 42% 1200"}));
    }

    void schedule()
    {
        Updater::setMode(Updater::Off);
        QObject owner;
        Updater updater;
        QSignalSpy finished(&updater, &Updater::finished);
        UpdatePrompts::scheduleChecks(&updater, &owner, 150, 200);
        QTest::qWait(60);
        QCOMPARE(finished.size(), 0);
        // Automatic checks in mode off answer at once without a request: each tick is one check.
        QTRY_VERIFY(finished.size() >= 3);
        for (const QList<QVariant> &args : finished)
            QCOMPARE(args.at(1).toString(), QStringLiteral("已设置为不自动更新"));

        Updater idle;
        QSignalSpy none(&idle, &Updater::finished);
        QCOMPARE(UpdatePrompts::scheduleChecks(&idle, &owner)->interval(), 43200000);
        QTest::qWait(300);
        QCOMPARE(none.size(), 0);
    }
};

QTEST_MAIN(TestUpdatePrompts)
#include "tst_updateprompts.moc"
