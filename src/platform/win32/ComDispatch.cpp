// Late-bound member reads and calls on automation objects; every failure gives an empty handle.
#include "platform/win32/ComDispatch.h"

#include <objbase.h>
#include <oleauto.h>

#include <memory>

namespace
{

// The running instance's IDispatch, or null; running tells whether any instance was registered.
IDispatch *runningDispatch(const CLSID &clsid, bool *running)
{
    IUnknown *unknown = nullptr;
    *running = SUCCEEDED(GetActiveObject(clsid, nullptr, &unknown)) && unknown;
    if (!*running)
        return nullptr;
    IDispatch *dispatch = nullptr;
    if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void **>(&dispatch)))) {
        if (dispatch)
            dispatch->Release();
        dispatch = nullptr;
    }
    unknown->Release();
    return dispatch;
}

bool classOf(const wchar_t *progId, CLSID *clsid)
{
    return SUCCEEDED(CLSIDFromProgID(progId, clsid));
}

constexpr int kFixedArgs = 4;

} // namespace

ComDispatch::ComDispatch(IDispatch *dispatch, bool owned) : dispatch(dispatch), owned(owned) {}

ComDispatch::~ComDispatch()
{
    reset();
}

ComDispatch::ComDispatch(ComDispatch &&other) noexcept
    : dispatch(other.dispatch), owned(other.owned), value(other.value)
{
    other.dispatch = nullptr;
    other.value = nullptr;
}

ComDispatch &ComDispatch::operator=(ComDispatch &&other) noexcept
{
    if (this != &other) {
        reset();
        dispatch = other.dispatch;
        owned = other.owned;
        value = other.value;
        other.dispatch = nullptr;
        other.value = nullptr;
    }
    return *this;
}

void ComDispatch::reset()
{
    if (value) {
        VariantClear(value);
        delete value;
        value = nullptr;
    }
    if (dispatch && owned)
        dispatch->Release();
    dispatch = nullptr;
    owned = true;
}

ComDispatch ComDispatch::fromRunningProgId(const wchar_t *progId)
{
    CLSID clsid;
    if (!classOf(progId, &clsid))
        return {};
    bool running = false;
    return ComDispatch(runningDispatch(clsid, &running));
}

ComDispatch ComDispatch::fromProgId(const wchar_t *progId)
{
    CLSID clsid;
    if (!classOf(progId, &clsid))
        return {};
    bool running = false;
    if (IDispatch *dispatch = runningDispatch(clsid, &running); running)
        return ComDispatch(dispatch);
    IDispatch *created = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                reinterpret_cast<void **>(&created))))
        return {};
    return ComDispatch(created);
}

ComDispatch ComDispatch::invoke(const wchar_t *name, WORD flags, int argc, VARIANT *args) const
{
    if (!dispatch)
        return {};
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        return {};

    // Automation wants positional arguments last to first; they are copied bit for bit and stay the
    // caller's.
    VARIANT fixed[kFixedArgs];
    std::unique_ptr<VARIANT[]> grown;
    VARIANT *reversed = fixed;
    if (argc > kFixedArgs) {
        grown.reset(new VARIANT[argc]);
        reversed = grown.get();
    }
    for (int i = 0; i < argc; ++i)
        reversed[argc - 1 - i] = args[i];
    DISPPARAMS params = {argc > 0 ? reversed : nullptr, nullptr, UINT(argc > 0 ? argc : 0), 0};

    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception = {};
    UINT argError = 0;
    if (FAILED(dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result,
                                &exception, &argError))) {
        VariantClear(&result);
        return {};
    }
    if (result.vt == VT_DISPATCH && result.pdispVal) {
        ComDispatch object(result.pdispVal);
        result.pdispVal = nullptr;
        VariantClear(&result);
        return object;
    }
    ComDispatch plain;
    plain.value = new VARIANT(result);
    return plain;
}

ComDispatch ComDispatch::prop(const wchar_t *name) const
{
    return invoke(name, DISPATCH_PROPERTYGET, 0, nullptr);
}

ComDispatch ComDispatch::call(const wchar_t *name, int argc, VARIANT *args) const
{
    return invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, argc, args);
}

ComDispatch ComDispatch::item(int index) const
{
    VARIANT position;
    VariantInit(&position);
    position.vt = VT_I4;
    position.lVal = index + 1;
    ComDispatch element = call(L"Item", 1, &position);
    VariantClear(&position);
    return element;
}

int ComDispatch::toInt(bool *ok) const
{
    if (ok)
        *ok = false;
    if (!value)
        return 0;
    VARIANT converted;
    VariantInit(&converted);
    if (FAILED(VariantChangeType(&converted, value, 0, VT_I4))) {
        VariantClear(&converted);
        return 0;
    }
    if (ok)
        *ok = true;
    return converted.lVal;
}

QString ComDispatch::toString() const
{
    if (!value)
        return QString();
    VARIANT converted;
    VariantInit(&converted);
    QString text;
    if (SUCCEEDED(VariantChangeType(&converted, value, 0, VT_BSTR)) && converted.bstrVal)
        text = QString::fromWCharArray(converted.bstrVal);
    VariantClear(&converted);
    return text;
}
