// Start at log-on from a copy installed under a folder whose name has a blank: the Run value is
// written quoted, and both that and the unquoted form of older versions read back as on.
#include <QtTest>

class TestAutoStart : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_exe;
    QSettings m_run{"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                    QSettings::NativeFormat};

    QByteArray podivex(const QString &value)
    {
        QProcess process;
        process.start(m_exe, {"--autostart", value});
        return process.waitForFinished(30000) && process.exitCode() == 0
                   ? process.readAllStandardOutput()
                   : "failed";
    }

private slots:
    void initTestCase()
    {
        const QString dir = m_root.filePath("Test User/AppData/Local/Programs/Podivex");
        m_exe = QDir::toNativeSeparators(dir + "/Podivex.exe");
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(
            QFile::copy(QDir::fromNativeSeparators(qEnvironmentVariable("PODIVEX_EXE")), m_exe));
    }
    void cleanupTestCase() { m_run.remove("Podivex"); }

    void switchedOnAndOff()
    {
        QCOMPARE(podivex("on"), "autostart=on\n");
        m_run.sync();
        QCOMPARE(m_run.value("Podivex").toString(), '"' + m_exe + '"');
        QCOMPARE(podivex("off"), "autostart=off\n");
        m_run.sync();
        QVERIFY(!m_run.contains("Podivex"));
    }

    void storedForms_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QByteArray>("status");
        const QString exe = QDir::toNativeSeparators(
            m_root.filePath("Test User/AppData/Local/Programs/Podivex/Podivex.exe"));
        QTest::newRow("quoted") << '"' + exe + '"' << QByteArray("autostart=on\n");
        QTest::newRow("unquoted, as 1.0.0.1 wrote it") << exe << QByteArray("autostart=on\n");
        QTest::newRow("other letter case") << exe.toUpper() << QByteArray("autostart=on\n");
        QTest::newRow("the path cut at the blank")
            << exe.left(exe.indexOf(' ')) + ".exe" << QByteArray("autostart=off\n");
        QTest::newRow("quoted, another copy")
            << "\"C:\\Other\\Podivex.exe\"" << QByteArray("autostart=off\n");
    }
    void storedForms()
    {
        QFETCH(QString, stored);
        QFETCH(QByteArray, status);
        m_run.setValue("Podivex", stored);
        m_run.sync();
        QCOMPARE(podivex("status"), status);
    }
};

QTEST_GUILESS_MAIN(TestAutoStart)
#include "tst_autostart.moc"
