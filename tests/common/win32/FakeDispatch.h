// A scriptable automation object (named members, call log, counted references) and a show model.
#pragma once

#include <objbase.h>
#include <oleauto.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class FakeDispatch : public IDispatch
{
public:
    using Member = std::function<HRESULT(VARIANT *result)>;

    LONG refs = 1;
    std::vector<std::wstring> log; // the member invoked, for every call
    std::function<void()> onFinalRelease;

    FakeDispatch() = default;
    FakeDispatch(const FakeDispatch &) = delete;
    FakeDispatch &operator=(const FakeDispatch &) = delete;
    virtual ~FakeDispatch()
    {
        for (FakeDispatch *child : children)
            child->Release();
    }

    void add(const wchar_t *name, Member member) { members.emplace_back(name, std::move(member)); }
    void addInt(const wchar_t *name, int value)
    {
        add(name, [value](VARIANT *r) {
            r->vt = VT_I4;
            r->lVal = value;
            return S_OK;
        });
    }

    // A member answering with a child object, which this object keeps alive.
    FakeDispatch *addChild(const wchar_t *name)
    {
        auto *child = new FakeDispatch;
        children.push_back(child);
        add(name, [child](VARIANT *r) {
            child->AddRef();
            r->vt = VT_DISPATCH;
            r->pdispVal = child;
            return S_OK;
        });
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
            if (onFinalRelease)
                onFinalRelease();
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
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *result,
                                     EXCEPINFO *, UINT *) override
    {
        if (id < 1 || size_t(id) > members.size())
            return DISP_E_MEMBERNOTFOUND;
        log.push_back(members[id - 1].first);
        VARIANT scratch;
        VariantInit(&scratch);
        const HRESULT hr = members[id - 1].second(result ? result : &scratch);
        VariantClear(&scratch);
        return hr;
    }

private:
    std::vector<std::pair<std::wstring, Member>> members;
    std::vector<FakeDispatch *> children;
};

// An application object with one running show: SlideShowWindows (Count, Item), the show's
// View.CurrentShowPosition and Presentation.Slides.Count; a missing number has no member at all.
inline FakeDispatch *makeFakeShow(std::optional<int> position, std::optional<int> slides)
{
    auto *app = new FakeDispatch;
    FakeDispatch *windows = app->addChild(L"SlideShowWindows");
    windows->addInt(L"Count", 1);
    FakeDispatch *show = windows->addChild(L"Item");
    if (position)
        show->addChild(L"View")->addInt(L"CurrentShowPosition", *position);
    FakeDispatch *presentation = show->addChild(L"Presentation")->addChild(L"Slides");
    if (slides)
        presentation->addInt(L"Count", *slides);
    return app;
}
