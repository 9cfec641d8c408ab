// Second process for the automation tests, serving scriptable test objects (named members holding
// values or child objects; call arguments are not looked at). "--serve <clsid> <position>
// <slides>" registers a running show and prints "ready"; "--started <marker> <clsid> -Embedding"
// is how COM starts a server: it creates the marker file and hands out one show. Either ends by
// itself after a while.
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace
{

class FakeDispatch : public IDispatch
{
public:
    bool quitOnRelease = false; // ends the server's message loop with the last reference

    virtual ~FakeDispatch()
    {
        for (auto &member : members)
            VariantClear(&member.second);
    }

    void addInt(const wchar_t *name, int value) { add(name, VT_I4).lVal = value; }
    void addFailure(const wchar_t *name) { add(name, VT_ERROR).scode = E_FAIL; }
    // A member answering with a child object, which this object keeps alive.
    FakeDispatch *addChild(const wchar_t *name)
    {
        auto *child = new FakeDispatch;
        add(name, VT_DISPATCH).pdispVal = child;
        return child;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **out) override
    {
        const bool known = riid == IID_IUnknown || riid == IID_IDispatch;
        *out = known ? (AddRef(), static_cast<IDispatch *>(this)) : nullptr;
        return known ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = --refs;
        if (left == 0) {
            if (quitOnRelease)
                PostQuitMessage(0);
            delete this;
        }
        return ULONG(left);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override { return *count = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    // One name at a time, as the wrapper asks; names match without regard to case.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *names, UINT, LCID,
                                            DISPID *ids) override
    {
        *ids = DISPID_UNKNOWN;
        for (size_t m = 0; m < members.size(); ++m) {
            if (_wcsicmp(members[m].first.c_str(), names[0]) == 0)
                *ids = DISPID(m + 1);
        }
        return *ids == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
    }
    // A copy of the member's value (a child gains a reference); an error value fails the call.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *result,
                                     EXCEPINFO *, UINT *) override
    {
        if (id < 1 || size_t(id) > members.size())
            return DISP_E_MEMBERNOTFOUND;
        VARIANT &value = members[id - 1].second;
        if (value.vt == VT_ERROR)
            return value.scode;
        return result ? VariantCopy(result, &value) : S_OK;
    }

private:
    VARIANT &add(const wchar_t *name, VARTYPE type)
    {
        members.emplace_back(name, VARIANT{});
        members.back().second.vt = type;
        return members.back().second;
    }

    LONG refs = 1;
    std::vector<std::pair<std::wstring, VARIANT>> members;
};

// An application object with one running show: SlideShowWindows (Count, Item), the show's
// View.CurrentShowPosition and Presentation.Slides.Count; ActivePresentation fails, as it does
// with no presentation open in the editor.
FakeDispatch *makeFakeShow(int position, int slides)
{
    auto *app = new FakeDispatch;
    app->addFailure(L"ActivePresentation");
    FakeDispatch *windows = app->addChild(L"SlideShowWindows");
    windows->addInt(L"Count", 1);
    FakeDispatch *show = windows->addChild(L"Item");
    show->addChild(L"View")->addInt(L"CurrentShowPosition", position);
    show->addChild(L"Presentation")->addChild(L"Slides")->addInt(L"Count", slides);
    return app;
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
        app->quitOnRelease = true;
        const HRESULT hr = app->QueryInterface(riid, out);
        app->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

} // namespace

int main(int argc, char **argv)
{
    const bool serve = argc >= 5 && std::strcmp(argv[1], "--serve") == 0;
    if (!serve && (argc < 4 || std::strcmp(argv[1], "--started") != 0))
        return 1;
    wchar_t wide[64] = {};
    MultiByteToWideChar(CP_ACP, 0, argv[serve ? 2 : 3], -1, wide, 63);
    CLSID clsid;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(CLSIDFromString(wide, &clsid)))
        return 2;
    static ShowFactory factory;
    FakeDispatch *app = serve ? makeFakeShow(std::atoi(argv[3]), std::atoi(argv[4])) : nullptr;
    if (FILE *mark = serve ? nullptr : std::fopen(argv[2], "w"))
        std::fclose(mark);
    DWORD cookie = 0;
    if (FAILED(serve ? RegisterActiveObject(app, clsid, ACTIVEOBJECT_STRONG, &cookie)
                     : CoRegisterClassObject(clsid, &factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE,
                                             &cookie)))
        return 3;
    std::printf("ready\n");
    std::fflush(stdout);
    // A served show waits to be ended; one that COM started has done its job when let go.
    SetTimer(nullptr, 0, serve ? 300000 : 15000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0 && msg.message != WM_TIMER)
        DispatchMessageW(&msg);
    serve ? RevokeActiveObject(cookie, nullptr) : CoRevokeClassObject(cookie);
    CoUninitialize();
    return 0;
}
