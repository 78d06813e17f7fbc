#pragma once
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "vxlib/Charset.h"

// The target and arguments of a shell link, read as the shell would (GBK path in, text out).
struct ShortcutFields {
    std::string target, arguments;
};

inline bool ReadShortcut(const std::string& link, ShortcutFields& fields) {
    const bool initialised = SUCCEEDED(CoInitialize(nullptr));
    IShellLinkW* shell = nullptr;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                         reinterpret_cast<void**>(&shell)));
    IPersistFile* persist = nullptr;
    ok = ok && SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)));
    ok = ok && SUCCEEDED(persist->Load(Charset::String2WString(link).c_str(), STGM_READ));
    wchar_t target[MAX_PATH] = L"", args[MAX_PATH] = L"";
    ok = ok && SUCCEEDED(shell->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
         SUCCEEDED(shell->GetArguments(args, MAX_PATH));
    fields = {Charset::WString2String(target), Charset::WString2String(args)};
    if (persist) persist->Release();
    if (shell) shell->Release();
    if (initialised) CoUninitialize();
    return ok;
}
