#pragma once

// Export macro of VxMdLog.dll; empty in the native build, where the portable part is a static library.
#if defined(_WIN32)
#  ifdef VXMDLOG_BUILD
#    define VXMDLOG_API __declspec(dllexport)
#  else
#    define VXMDLOG_API __declspec(dllimport)
#  endif
#else
#  define VXMDLOG_API
#endif

#include <cstdio>  // brings the MinGW format flavour

#if defined(__MINGW_PRINTF_FORMAT)
#  define VXMDLOG_PRINTF(fmt, args) __attribute__((format(__MINGW_PRINTF_FORMAT, fmt, args)))
#elif defined(__GNUC__)
#  define VXMDLOG_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#  define VXMDLOG_PRINTF(fmt, args)
#endif
