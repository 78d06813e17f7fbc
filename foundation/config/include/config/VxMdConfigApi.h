#pragma once

// Export macro of VxMdConfig.dll; empty in the native build, where the portable part is a static
// library.
#if defined(_WIN32)
#  ifdef VXMDCONFIG_BUILD
#    define VXMDCONFIG_API __declspec(dllexport)
#  else
#    define VXMDCONFIG_API __declspec(dllimport)
#  endif
#else
#  define VXMDCONFIG_API
#endif
