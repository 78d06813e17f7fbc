#pragma once

// Export macro of VxLib.dll; empty in the native build, where the portable part is a static library.
#if defined(_WIN32)
#  ifdef VXLIB_BUILD
#    define VXLIB_API __declspec(dllexport)
#  else
#    define VXLIB_API __declspec(dllimport)
#  endif
#else
#  define VXLIB_API
#endif
