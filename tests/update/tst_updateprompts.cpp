// The updater in tray mode: what each answer to the update dialog does, and the automatic checks.
#include "UpdateRig.h"
#include "update/UpdatePrompts.h"
#include "update/UpdateSettings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

class TestUpdatePrompts : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        UpdateRig::usePrivateFolders(m_home.path());
        // As in the program, which has no main window: closing a dialog must not end it.
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void init()
    {
        QFile::remove(m_home.filePath("XDG_DATA_HOME"));
        QDir(m_home.filePath("XDG_DATA_HOME")).removeRecursively();
    }

    void dialog_data()
    {
        QTest::addColumn<bool>("forced");
        QTest::addColumn<int>("role"); // the button pressed; -1 is Esc
        QTest::addColumn<bool>("saveable");
        QTest::addColumn<int>("outcome"); // 0 nothing, 1 download, 2 quit, 3 skipped
        QTest::newRow("update") << false << int(QMessageBox::AcceptRole) << true << 1;
        QTest::newRow("later") << false << int(QMessageBox::RejectRole) << true << 0;
        QTest::newRow("escape") << false << -1 << true << 0;
        QTest::newRow("skip") << false << int(QMessageBox::DestructiveRole) << true << 3;
        QTest::newRow("skip not saved") << false << int(QMessageBox::DestructiveRole) << false << 0;
        QTest::newRow("forced, update") << true << int(QMessageBox::AcceptRole) << true << 1;
        QTest::newRow("forced, quit") << true << int(QMessageBox::RejectRole) << true << 2;
        QTest::newRow("forced, escape quits") << true << -1 << true << 2;
    }
    // Every dialog runs inside the application's event loop, so that a requested quit shows.
    void dialog()
    {
        QFETCH(bool, forced);
        QFETCH(int, role);
        QFETCH(bool, saveable);
        QFETCH(int, outcome);
        if (!saveable)
            QVERIFY(QFile(m_home.filePath("XDG_DATA_HOME")).open(QIODevice::WriteOnly));
        Updater updater;
        QStringList notices;
        UpdatePrompts::connectTray(
            &updater, [&](const QString &text, int) { notices << text; }, QIcon());
        QTimer answerer;
        QObject::connect(&answerer, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            for (QAbstractButton *b : box ? box->buttons() : QList<QAbstractButton *>())
                if (box->buttonRole(b) == role)
                    b->click();
            if (box && role < 0)
                QTest::keyClick(box, Qt::Key_Escape);
        });
        answerer.start(20);
        const Updater::Info info{"2.0", "http://127.0.0.1:1/s.exe", QString(64, 'a'), 0, {}, {}};
        QTimer::singleShot(0, &updater, [&] {
            emit updater.prompt(info, forced, true);
            QTimer::singleShot(200, &updater, [] { QCoreApplication::exit(5); });
        });
        if (outcome == 1)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^更新检查失败: "));
        QCOMPARE(QCoreApplication::exec(), outcome == 2 ? 0 : 5);
        QCOMPARE(UpdateSettings::isSkipped("2.0"), outcome == 3);
        // A started download and a skip each say so; an unsaved skip names the file.
        QCOMPARE(notices.isEmpty(), (outcome == 0 || outcome == 2) && saveable);
        QVERIFY(saveable || notices.value(0).contains("Podivex.ini"));
    }

    // Scheduled checks are automatic ones: in mode off each ends at once without a request.
    void scheduledChecksAreAutomatic()
    {
        QVERIFY(UpdateSettings::setMode(UpdateSettings::Off));
        QObject owner;
        Updater updater;
        QSignalSpy finished(&updater, &Updater::finished);
        UpdatePrompts::scheduleChecks(&updater, &owner, 10, 50);
        QTRY_VERIFY(finished.size() >= 3);
        QCOMPARE(finished.at(2).at(1).toString(), finished.at(0).at(1).toString());
        QCOMPARE(finished.at(0).at(0).toBool(), true);
    }
};

QTEST_MAIN(TestUpdatePrompts)
#include "tst_updateprompts.moc"
