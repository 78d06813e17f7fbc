// The plug-in's exports, called by the installer engine on its window thread.
#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>
#include <nsis/pluginapi.h>

#include <memory>

#include "DlgMainWin.h"

#define NSIS_EXPORT extern "C" __declspec(dllexport) void __cdecl

namespace {
HINSTANCE g_hInstance = nullptr;
ULONG_PTR g_gdiplusToken = 0;
std::unique_ptr<CDlgMain> g_main;

void ReleaseAll() {
  g_main.reset();
  if (g_gdiplusToken)
    Gdiplus::GdiplusShutdown(g_gdiplusToken);
  g_gdiplusToken = 0;
}

// The engine unloads the plug-in at its end; the subclassed windows must not outlive the code.
UINT_PTR PluginCallback(enum NSPIM msg) {
  if (msg == NSPIM_UNLOAD)
    ReleaseAll();
  return 0;
}
}  // namespace

BOOL WINAPI DllMain(HINSTANCE hInst, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_hInstance = hInst;
    DisableThreadLibraryCalls(hInst);
  }
  return TRUE;
}

NSIS_EXPORT Initialize(HWND, int string_size, TCHAR* variables, stack_t** stacktop, extra_parameters* extra) {
  EXDLL_INIT();
  try {
    if (g_main)
      return;
    if (extra && extra->RegisterPluginCallback)
      extra->RegisterPluginCallback(g_hInstance, PluginCallback);
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&g_gdiplusToken, &input, nullptr) != Gdiplus::Ok)
      g_gdiplusToken = 0;
    g_main.reset(new CDlgMain(g_hInstance));
  } catch (...) {
  }
}

NSIS_EXPORT JmpToNewPage(HWND, int string_size, TCHAR* variables, stack_t** stacktop, extra_parameters*) {
  EXDLL_INIT();
  try {
    if (!stacktop)
      return;
    TCHAR page[64] = {}, step[64] = {};
    // Take both arguments off the stack whatever happens, so the script's stack stays balanced.
    popstringn(page, 64);
    popstringn(step, 64);
    if (!g_main || !page[0] || !step[0])
      return;
    HWND hPage = reinterpret_cast<HWND>(nsishelper_str_to_ptr(page));
    g_main->JmpToNewPage(hPage, myatoi(step));
  } catch (...) {
  }
}

NSIS_EXPORT Release(HWND, int string_size, TCHAR* variables, stack_t** stacktop, extra_parameters*) {
  EXDLL_INIT();
  try {
    ReleaseAll();
  } catch (...) {
  }
}
