#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>
#include <vector>

// Stands in for a page's script: records the functions called by name with their arguments.
class CRecordingScript : public IDispatch {
public:
    std::vector<std::pair<std::wstring, std::vector<std::wstring>>> calls;
    LONG references = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        for (size_t i = 0; i < kFunctions.size(); ++i) {
            if (kFunctions[i] == names[0]) return *ids = static_cast<DISPID>(i), S_OK;
        }
        *ids = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        std::vector<std::wstring> arguments;
        for (UINT i = params->cArgs; i-- > 0;) {
            const VARIANT& v = params->rgvarg[i];
            arguments.push_back(v.vt == VT_BSTR && v.bstrVal ? std::wstring(v.bstrVal, ::SysStringLen(v.bstrVal)) : L"?");
        }
        calls.emplace_back(kFunctions[static_cast<size_t>(id)], arguments);
        return S_OK;
    }

private:
    const std::vector<std::wstring> kFunctions{L"_addItems", L"SetSearchNoResultParam", L"SelectItemsAll",
                                               L"SelectItemsShift"};
};
