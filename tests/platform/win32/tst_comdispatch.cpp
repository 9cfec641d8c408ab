// The automation wrapper and the controller's refresh against test objects in and out of process;
// start at log-on from a copy installed under a folder whose name has a blank: the Run value is
// written quoted, and both that and the unquoted form of older versions read back as on.
#include "FakeDispatch.h"
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

// Classes of test show programs: one served by a running helper, one with a server nobody runs.
const std::wstring kFull = L"{6c1f25a2-5b0e-4f0c-9a51-2f3d1e0b7a02}";
const std::wstring kIdle = L"{6c1f25a2-5b0e-4f0c-9a51-2f3d1e0b7a04}";
const QString kQuitEvent = "PodivexAutomationHelperQuit";

QString progId(const std::wstring &clsid)
{
    return clsid == kFull ? "Podivex.TestShowFull" : "Podivex.TestShowIdle";
}

// CLSIDFromProgID under Wine reads the machine-wide classes only.
bool setDefaultValue(const std::wstring &key, const QString &value)
{
    const std::wstring path = L"Software\\Classes\\" + key;
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), nullptr, REG_SZ, value.utf16(),
                           DWORD((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

QString helperPath()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath() +
                                    "/helper_automation.exe");
}

} // namespace

class TestComDispatch : public QObject
{
    Q_OBJECT

    HANDLE quitHelper = nullptr;
    QProcess helper;
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
        for (const std::wstring &clsid : {kFull, kIdle})
            QVERIFY(setDefaultValue(progId(clsid).toStdWString() + L"\\CLSID",
                                    QString::fromStdWString(clsid)));
        quitHelper =
            CreateEventW(nullptr, TRUE, FALSE, reinterpret_cast<LPCWSTR>(kQuitEvent.utf16()));
        // A second process serving a show at slide 3 of 7.
        helper.start(helperPath(),
                     {"--serve", QString::fromStdWString(kFull), "3", "7", kQuitEvent});
        QVERIFY(helper.waitForStarted() && helper.waitForReadyRead(20000) &&
                helper.readAll().startsWith("ready"));
        QVERIFY(QDir().mkpath(QFileInfo(m_exe).path()));
        QVERIFY(QFile::copy(qEnvironmentVariable("PODIVEX_EXE"), m_exe));
    }
    void cleanupTestCase()
    {
        SetEvent(quitHelper);
        QVERIFY(helper.waitForFinished(10000));
        CloseHandle(quitHelper);
        for (const std::wstring &clsid : {kFull, kIdle}) {
            for (const std::wstring &key : {progId(clsid).toStdWString(), L"CLSID\\" + clsid})
                RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + key).c_str());
        }
        m_run.remove("Podivex");
    }

    void failuresGiveEmptyHandles()
    {
        FakeDispatch object;
        object.addInt(L"Number", 5);
        object.add(L"Fails", [](VARIANT *) { return E_FAIL; });
        const ComDispatch h(&object, false);
        for (const ComDispatch &empty :
             {ComDispatch().prop(L"Number"), h.prop(L"NoSuchMember"), h.prop(L"Fails"),
              h.prop(L"Number").prop(L"Number"), h.prop(L"Number").item(0),
              ComDispatch::fromRunningProgId(L"Podivex.NotRegistered")})
            QVERIFY(empty.isEmpty());
        QCOMPARE(object.log.size(), size_t(3)); // only the members that exist were invoked
    }

    // The controller reads the first running show of its names in another process, and never
    // starts a server that is not running.
    void controllerRefresh()
    {
        QTemporaryDir dir;
        const QString marker = QDir::toNativeSeparators(dir.filePath("started"));
        QVERIFY(setDefaultValue(L"CLSID\\" + kIdle + L"\\LocalServer32",
                                QStringLiteral("\"%1\" --started \"%2\" %3")
                                    .arg(helperPath(), marker, QString::fromStdWString(kIdle))));
        SlideController controller;
        controller.setTarget(win::fromWinId(1));
        SlideAutomation::setProgIds({progId(kIdle), progId(kFull)});
        controller.refreshInfo();
        QCOMPARE(controller.pageText(), QStringLiteral("3/7"));
        SlideAutomation::setProgIds({progId(kIdle)});
        controller.refreshInfo();
        QVERIFY(!QFile::exists(marker));

        // The registration is sound: asked to create one, COM does start that server.
        CLSID id = {};
        IDispatch *created = nullptr;
        QVERIFY(SUCCEEDED(CLSIDFromString(kIdle.c_str(), &id)));
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
