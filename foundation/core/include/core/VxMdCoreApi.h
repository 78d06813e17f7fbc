#pragma once

// Export macro of VxMdCore.dll; empty in the native build.
#if defined(_WIN32)
#  ifdef VXMDCORE_BUILD
#    define VXMDCORE_API __declspec(dllexport)
#  else
#    define VXMDCORE_API __declspec(dllimport)
#  endif
#else
#  define VXMDCORE_API
#endif
