// An owning handle for an automation object or for the plain value one of its members returned.
#pragma once

#include <QString>

#include <oaidl.h>

class ComDispatch
{
public:
    ComDispatch() = default;
    // Adopts the pointer without AddRef; with owned false it is only borrowed.
    explicit ComDispatch(IDispatch *dispatch, bool owned = true);
    ~ComDispatch();
    ComDispatch(ComDispatch &&other) noexcept;
    ComDispatch &operator=(ComDispatch &&other) noexcept;
    ComDispatch(const ComDispatch &) = delete;
    ComDispatch &operator=(const ComDispatch &) = delete;

    // Only a running instance: never starts a server.
    static ComDispatch fromRunningProgId(const wchar_t *progId);

    ComDispatch prop(const wchar_t *name) const;
    // The element at a 0-based index of a 1-based automation collection.
    ComDispatch item(int index) const;

    int toInt(bool *ok = nullptr) const;

    bool isEmpty() const { return !dispatch && !value; }
    void reset();

private:
    ComDispatch invoke(const wchar_t *name, WORD flags, VARIANT *arg) const;

    IDispatch *dispatch = nullptr;
    bool owned = true;
    VARIANT *value = nullptr;
};
