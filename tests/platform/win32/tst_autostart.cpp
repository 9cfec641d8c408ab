// Start at log-on from a copy installed under a folder whose name has a blank: the Run value is
// written quoted, and both that and the unquoted form of older versions read back as on.
#include <QtTest>

class TestAutoStart : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    const QString m_exe =
        QDir::toNativeSeparators(m_root.filePath("Test User/Programs/Podivex.exe"));
    QSettings m_run{"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                    QSettings::NativeFormat};

    // Under Wine a child's output is now and then lost as it exits: such a run is repeated.
    QByteArray podivex(const char *value)
    {
        m_run.sync();
        QByteArray out;
        for (int attempt = 0; attempt < 3 && out.isEmpty(); ++attempt) {
            QProcess process;
            process.start(m_exe, {"--autostart", value});
            out = process.waitForFinished() && process.exitCode() == 0
                      ? process.readAllStandardOutput().trimmed()
                      : "failed";
        }
        m_run.sync();
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(QFileInfo(m_exe).path()));
        QVERIFY(QFile::copy(qEnvironmentVariable("PODIVEX_EXE"), m_exe));
    }
    void cleanupTestCase() { m_run.remove("Podivex"); }

    void writtenQuotedAndReadBack()
    {
        QCOMPARE(podivex("on"), "autostart=on");
        QCOMPARE(m_run.value("Podivex").toString(), '"' + m_exe + '"');
        for (const auto &[stored, status] :
             {std::pair{m_exe, "autostart=on"},
              {m_exe.toUpper(), "autostart=on"},
              {m_exe.left(m_exe.indexOf(' ')) + ".exe", "autostart=off"},
              {"\"C:\\Other\\Podivex.exe\"", "autostart=off"}}) {
            m_run.setValue("Podivex", stored);
            QCOMPARE(podivex("status"), status);
        }
        QCOMPARE(podivex("off"), "autostart=off");
        QVERIFY(!m_run.contains("Podivex"));
    }
};

QTEST_GUILESS_MAIN(TestAutoStart)
#include "tst_autostart.moc"
