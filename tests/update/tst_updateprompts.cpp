// The updater in tray mode: what each answer to the update dialog does.
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

    void dialog_data()
    {
        QTest::addColumn<bool>("forced");
        QTest::addColumn<int>("role"); // of the button pressed; -1 is Esc
        QTest::addColumn<bool>("saveable");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("update") << false << int(QMessageBox::AcceptRole) << true << "download";
        QTest::newRow("later") << false << int(QMessageBox::RejectRole) << true << "";
        QTest::newRow("escape") << false << -1 << true << "";
        QTest::newRow("skip") << false << int(QMessageBox::DestructiveRole) << true << "skip";
        QTest::newRow("skip not saved")
            << false << int(QMessageBox::DestructiveRole) << false << "Podivex.ini";
        QTest::newRow("forced, update")
            << true << int(QMessageBox::AcceptRole) << true << "download";
        QTest::newRow("forced, quit") << true << int(QMessageBox::RejectRole) << true << "quit";
        QTest::newRow("forced, escape quits") << true << -1 << true << "quit";
    }
    // Every dialog runs inside the application's event loop, so that a requested quit shows.
    void dialog()
    {
        QFETCH(bool, forced);
        QFETCH(int, role);
        QFETCH(bool, saveable);
        QFETCH(QString, outcome);
        const QString data = m_home.filePath("XDG_DATA_HOME");
        QFile::remove(data);
        QDir(data).removeRecursively();
        QVERIFY(saveable || QFile(data).open(QIODevice::WriteOnly));
        Updater updater;
        QStringList notices;
        UpdatePrompts::connectTray(&updater, [&](const QString &text, int) { notices << text; },
                                   {});
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
        if (outcome == "download")
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^更新检查失败: "));
        QCOMPARE(QCoreApplication::exec(), outcome == "quit" ? 0 : 5);
        QCOMPARE(UpdateSettings::isSkipped("2.0"), outcome == "skip");
        // A started download and a skip each say so; an unsaved skip names the file.
        QCOMPARE(notices.isEmpty(), outcome == "" || outcome == "quit");
        QVERIFY(saveable || notices.value(0).contains(outcome));
    }
};

QTEST_MAIN(TestUpdatePrompts)
#include "tst_updateprompts.moc"
