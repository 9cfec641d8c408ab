// Late-bound member reads and calls on automation objects; every failure gives an empty handle.
#include "platform/win32/ComDispatch.h"

#include <objbase.h>
#include <oleauto.h>

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

ComDispatch ComDispatch::invoke(const wchar_t *name, WORD flags, VARIANT *arg) const
{
    if (!dispatch)
        return {};
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        return {};

    // The argument stays the caller's.
    DISPPARAMS params = {arg, nullptr, UINT(arg ? 1 : 0), 0};

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
    return invoke(name, DISPATCH_PROPERTYGET, nullptr);
}

ComDispatch ComDispatch::item(int index) const
{
    VARIANT position;
    VariantInit(&position);
    position.vt = VT_I4;
    position.lVal = index + 1;
    ComDispatch element = invoke(L"Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, &position);
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
