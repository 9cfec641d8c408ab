// The automation wrapper and the controller's refresh against test objects in another process;
// start at log-on from a copy installed under a folder whose name has a blank: the Run value is
// written quoted, and both that and the unquoted form of older versions read back as on.
#include "control/SlideAutomation.h"
#include "control/SlideController.h"
#include "platform/win32/ComDispatch.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

// Test show programs: one served by a running helper, one with a server nobody runs.
struct ShowClass {
    std::wstring clsid;
    QString progId;
};
const ShowClass kFull{L"{6c1f25a2-5b0e-4f0c-9a51-2f3d1e0b7a02}", "Podivex.TestShowFull"};
const ShowClass kIdle{L"{6c1f25a2-5b0e-4f0c-9a51-2f3d1e0b7a04}", "Podivex.TestShowIdle"};

// CLSIDFromProgID under Wine reads the machine-wide classes only.
bool setDefaultValue(const std::wstring &key, const QString &value)
{
    const std::wstring path = L"Software\\Classes\\" + key;
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), nullptr, REG_SZ, value.utf16(),
                           DWORD((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

} // namespace

class TestComDispatch : public QObject
{
    Q_OBJECT

    QProcess helper;
    const QString m_helper =
        QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + "/helper_automation.exe");
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
        QVERIFY(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        for (const ShowClass &c : {kFull, kIdle})
            QVERIFY(setDefaultValue(c.progId.toStdWString() + L"\\CLSID",
                                    QString::fromStdWString(c.clsid)));
        // A second process serving a show at slide 3 of 7.
        helper.start(m_helper, {"--serve", QString::fromStdWString(kFull.clsid), "3", "7"});
        QVERIFY(helper.waitForStarted() && helper.waitForReadyRead(20000) &&
                helper.readAll().startsWith("ready"));
        QVERIFY(QDir().mkpath(QFileInfo(m_exe).path()));
        QVERIFY(QFile::copy(qEnvironmentVariable("PODIVEX_EXE"), m_exe));
    }
    void cleanupTestCase()
    {
        helper.kill();
        helper.waitForFinished();
        for (const ShowClass &c : {kFull, kIdle}) {
            for (const std::wstring &key : {c.progId.toStdWString(), L"CLSID\\" + c.clsid})
                RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + key).c_str());
        }
        m_run.remove("Podivex");
    }

    // Every failure along a chain of members gives an empty handle: no object, a member that is
    // missing or fails, a member of a plain value, a show nobody runs.
    void failuresGiveEmptyHandles()
    {
        const ComDispatch app = ComDispatch::fromRunningProgId(L"Podivex.TestShowFull");
        const ComDispatch count = app.prop(L"SlideShowWindows").prop(L"Count");
        QCOMPARE(count.toInt(), 1);
        for (const ComDispatch &empty :
             {ComDispatch().prop(L"Count"), app.prop(L"NoSuchMember"),
              app.prop(L"ActivePresentation"), count.prop(L"Count"), count.item(0),
              ComDispatch::fromRunningProgId(L"Podivex.NotRegistered")})
            QVERIFY(empty.isEmpty());
    }

    // The controller reads the first running show of its names in another process, and never
    // starts a server that is not running.
    void controllerRefresh()
    {
        QTemporaryDir dir;
        const QString marker = QDir::toNativeSeparators(dir.filePath("started"));
        QVERIFY(setDefaultValue(L"CLSID\\" + kIdle.clsid + L"\\LocalServer32",
                                QStringLiteral("\"%1\" --started \"%2\" %3")
                                    .arg(m_helper, marker, QString::fromStdWString(kIdle.clsid))));
        SlideController controller;
        controller.setTarget(win::fromWinId(1));
        SlideAutomation::setProgIds({kIdle.progId, kFull.progId});
        controller.refreshInfo();
        QCOMPARE(controller.pageText(), QStringLiteral("3/7"));
        SlideAutomation::setProgIds({kIdle.progId});
        controller.refreshInfo();
        QVERIFY(!QFile::exists(marker));

        // The registration is sound: asked to create one, COM does start that server.
        CLSID id = {};
        IDispatch *created = nullptr;
        QVERIFY(SUCCEEDED(CLSIDFromString(kIdle.clsid.c_str(), &id)));
        QVERIFY(SUCCEEDED(CoCreateInstance(id, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                           reinterpret_cast<void **>(&created))));
        QVERIFY(QFile::exists(marker));
        QCOMPARE(ComDispatch(created).prop(L"SlideShowWindows").prop(L"Count").toInt(), 1);
    }
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

QTEST_GUILESS_MAIN(TestComDispatch)
#include "tst_comdispatch.moc"
