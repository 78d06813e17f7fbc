#pragma once

// Export macro of VxDataDef.dll; empty in the native build, where the library is static.
#if defined(_WIN32)
#  ifdef VXDATADEF_BUILD
#    define VXDATADEF_API __declspec(dllexport)
#  else
#    define VXDATADEF_API __declspec(dllimport)
#  endif
#else
#  define VXDATADEF_API
#endif
