// The automation wrapper and the controller's refresh against test objects in and out of process.
#include "FakeDispatch.h"
#include "control/SlideAutomation.h"
#include "control/SlideController.h"
#include "platform/win32/ComDispatch.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

struct TestClass {
    const wchar_t *progId;
    const wchar_t *clsid;
    QString name() const { return QString::fromWCharArray(progId); }
};

const TestClass kInProcess = {L"Podivex.TestShowInProcess",
                              L"{6c1f25a2-5b0e-4f0c-9a51-2f3d1e0b7a01}"};
const TestClass kFull = {L"Podivex.TestShowFull", L"{6c1f25a2-5b0e-4f0c-9a51-2f3d1e0b7a02}"};
const TestClass kIdle = {L"Podivex.TestShowIdle", L"{6c1f25a2-5b0e-4f0c-9a51-2f3d1e0b7a04}"};
const TestClass kAll[] = {kInProcess, kFull, kIdle};
const wchar_t *const kQuitEvent = L"PodivexAutomationHelperQuit";

// CLSIDFromProgID under Wine reads the machine-wide classes only.
bool setDefaultValue(const std::wstring &key, const std::wstring &value)
{
    const std::wstring path = L"Software\\Classes\\" + key;
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), nullptr, REG_SZ, value.c_str(),
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

private:
    FakeShow inProcess = {};
    DWORD inProcessCookie = 0;
    HANDLE quitHelpers = nullptr;
    QList<QProcess *> helpers;

    // A second process serving a show with the given numbers ("-" for none) under c.
    bool startHelper(const TestClass &c, const char *position, const char *slides)
    {
        auto *p = new QProcess(this);
        helpers << p;
        p->start(helperPath(), {"--serve", QString::fromWCharArray(c.clsid), position, slides,
                                QString::fromWCharArray(kQuitEvent)});
        return p->waitForStarted() && p->waitForReadyRead(20000) &&
               p->readAll().startsWith("ready");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        for (const TestClass &c : kAll)
            QVERIFY(setDefaultValue(std::wstring(c.progId) + L"\\CLSID", c.clsid));

        inProcess = makeFakeShow(3, 7);
        CLSID id = {};
        QVERIFY(SUCCEEDED(CLSIDFromString(kInProcess.clsid, &id)));
        QVERIFY(SUCCEEDED(
            RegisterActiveObject(inProcess.app, id, ACTIVEOBJECT_STRONG, &inProcessCookie)));

        quitHelpers = CreateEventW(nullptr, TRUE, FALSE, kQuitEvent);
        QVERIFY(startHelper(kFull, "3", "7"));
    }

    void cleanupTestCase()
    {
        SetEvent(quitHelpers);
        for (QProcess *p : helpers)
            QVERIFY(p->waitForFinished(10000));
        CloseHandle(quitHelpers);
        RevokeActiveObject(inProcessCookie, nullptr);
        inProcess.app->Release();
        for (const TestClass &c : kAll) {
            for (const std::wstring &key :
                 {std::wstring(c.progId), L"CLSID\\" + std::wstring(c.clsid)})
                RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + key).c_str());
        }
    }

    void walksTheRunningObject()
    {
        const ComDispatch app = ComDispatch::fromRunningProgId(kInProcess.progId);
        const ComDispatch windows = app.prop(L"SlideShowWindows");
        QCOMPARE(windows.prop(L"count").toInt(), 1);
        const ComDispatch show = windows.item(0);
        QCOMPARE(show.prop(L"View").prop(L"CurrentShowPosition").toInt(), 3);
        QCOMPARE(show.prop(L"Presentation").prop(L"Slides").prop(L"Count").toInt(), 7);
        QCOMPARE(inProcess.windows->log.back(), std::wstring(L"Item(1)"));
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

    // Every reference taken is given back once: moved-from and borrowed handles release nothing,
    // assignment and reset let go of what the handle held.
    void releaseRules()
    {
        auto *object = new FakeDispatch;
        FakeDispatch *child = object->addChild(L"Child");
        {
            object->AddRef();
            ComDispatch a(object);
            ComDispatch b(std::move(a));
            QVERIFY(a.isEmpty());
            ComDispatch c;
            c = std::move(b);
            ComDispatch &alias = c;
            c = std::move(alias);
            QVERIFY(!c.isEmpty());
            {
                const ComDispatch adopted = c.prop(L"Child");
                QCOMPARE(child->refs, 2);
            }
            QCOMPARE(child->refs, 1);
            QCOMPARE(object->refs, 2);
            const ComDispatch borrowed(object, false);
        }
        QCOMPARE(object->refs, 1);

        object->AddRef();
        ComDispatch held(object);
        held = ComDispatch();
        QCOMPARE(object->refs, 1);
        object->AddRef();
        held = ComDispatch(object);
        held.reset();
        QVERIFY(held.isEmpty());
        QCOMPARE(object->refs, 1);
        object->Release();
    }

    // The controller reads the first running show of its names in another process, and never
    // starts a server that is not running.
    void controllerRefresh()
    {
        QTemporaryDir dir;
        const QString marker = QDir::toNativeSeparators(dir.filePath("started"));
        const QString server = QStringLiteral("\"%1\" --started \"%2\" %3")
                                   .arg(helperPath(), marker, QString::fromWCharArray(kIdle.clsid));
        QVERIFY(setDefaultValue(std::wstring(L"CLSID\\") + kIdle.clsid + L"\\LocalServer32",
                                server.toStdWString()));

        SlideController controller;
        controller.setTarget(win::fromWinId(1));
        SlideAutomation::setProgIds({kIdle.name(), kFull.name()});
        controller.refreshInfo();
        QCOMPARE(controller.pageText(), QStringLiteral("3/7"));
        SlideAutomation::setProgIds({kIdle.name()});
        controller.refreshInfo();
        QVERIFY(!QFile::exists(marker));

        // The registration is sound: asked to create one, COM does start that server.
        CLSID id = {};
        IDispatch *created = nullptr;
        QVERIFY(SUCCEEDED(CLSIDFromString(kIdle.clsid, &id)));
        QVERIFY(SUCCEEDED(CoCreateInstance(id, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                           reinterpret_cast<void **>(&created))));
        QVERIFY(QFile::exists(marker));
        QCOMPARE(ComDispatch(created).prop(L"SlideShowWindows").prop(L"Count").toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(TestComDispatch)
#include "tst_comdispatch.moc"
