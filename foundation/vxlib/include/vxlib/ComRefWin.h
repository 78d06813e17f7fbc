#pragma once
#include <windows.h>
#include <unknwn.h>

// Owns one reference to a COM object; releases it once. Copies take a reference of their own.
template <class T>
class CComRef {
public:
    CComRef() = default;
    // Takes a reference of its own to `p` (the caller keeps its reference).
    explicit CComRef(T* p) : m_p(p) {
        if (m_p) m_p->AddRef();
    }
    CComRef(const CComRef& other) : CComRef(other.m_p) {}
    CComRef(CComRef&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    CComRef& operator=(CComRef other) noexcept {
        T* old = m_p;
        m_p = other.m_p;
        other.m_p = old;
        return *this;
    }
    ~CComRef() { Reset(); }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out-parameters that hand over a reference: releases the current one first.
    T** Out() {
        Reset();
        return &m_p;
    }
    void Reset() {
        // Cleared first: Release may call back into code that looks at this holder.
        T* old = m_p;
        m_p = nullptr;
        if (old) old->Release();
    }
    // Queries `from` for T (`iid` its interface id); false leaves the holder empty.
    bool QueryFrom(IUnknown* from, REFIID iid) {
        Reset();
        return from && SUCCEEDED(from->QueryInterface(iid, reinterpret_cast<void**>(&m_p))) && m_p;
    }

private:
    T* m_p = nullptr;
};
