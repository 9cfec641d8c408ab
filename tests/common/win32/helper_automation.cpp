// Second process for the automation tests: serves a running show, or marks that COM started it.
#include "FakeDispatch.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

std::optional<int> number(const char *arg)
{
    return std::strcmp(arg, "-") == 0 ? std::nullopt : std::optional<int>(std::atoi(arg));
}

bool parseClass(const char *text, CLSID *clsid)
{
    wchar_t wide[64] = {};
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 63);
    return SUCCEEDED(CLSIDFromString(wide, clsid));
}

// Hands out one show application object; the server ends when that object is let go.
class ShowFactory : public IClassFactory
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **out) override
    {
        const bool known = riid == IID_IUnknown || riid == IID_IClassFactory;
        *out = known ? static_cast<IClassFactory *>(this) : nullptr;
        return known ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID riid, void **out) override
    {
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        FakeDispatch *app = makeFakeShow(1, 1);
        app->onFinalRelease = [] { PostQuitMessage(0); };
        const HRESULT hr = app->QueryInterface(riid, out);
        app->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

void pumpUntilQuit(HANDLE quit)
{
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(quit ? 1 : 0, quit ? &quit : nullptr, FALSE,
                                                     INFINITE, QS_ALLINPUT);
        if (quit && woke == WAIT_OBJECT_0)
            return;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT || msg.message == WM_TIMER)
                return;
            DispatchMessageW(&msg);
        }
    }
}

// --serve <clsid> <position|-> <slides|-> <quit event name>
int serve(char **argv)
{
    CLSID clsid;
    if (!parseClass(argv[2], &clsid))
        return 2;
    FakeDispatch *app = makeFakeShow(number(argv[3]), number(argv[4]));
    HANDLE quit = CreateEventA(nullptr, TRUE, FALSE, argv[5]);
    DWORD cookie = 0;
    if (FAILED(RegisterActiveObject(app, clsid, ACTIVEOBJECT_STRONG, &cookie)))
        return 3;
    std::printf("ready\n");
    std::fflush(stdout);
    pumpUntilQuit(quit);
    RevokeActiveObject(cookie, nullptr);
    app->Release();
    CloseHandle(quit);
    return 0;
}

// --started <marker file> <clsid> [-Embedding]
int startedByCom(char **argv)
{
    if (FILE *mark = std::fopen(argv[2], "w"))
        std::fclose(mark);
    CLSID clsid;
    if (!parseClass(argv[3], &clsid))
        return 2;
    static ShowFactory factory;
    DWORD cookie = 0;
    if (FAILED(
            CoRegisterClassObject(clsid, &factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie)))
        return 3;
    SetTimer(nullptr, 0, 15000, nullptr); // a server COM started ends by itself
    pumpUntilQuit(nullptr);
    CoRevokeClassObject(cookie);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int rc = 1;
    if (argc >= 6 && std::strcmp(argv[1], "--serve") == 0)
        rc = serve(argv);
    else if (argc >= 4 && std::strcmp(argv[1], "--started") == 0)
        rc = startedByCom(argv);
    CoUninitialize();
    return rc;
}
