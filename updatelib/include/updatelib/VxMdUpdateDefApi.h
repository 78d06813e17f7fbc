#pragma once

#if defined(_WIN32)
#  ifdef VXMDUPDATEDEF_BUILD
#    define VXMDUPDATEDEF_API __declspec(dllexport)
#  else
#    define VXMDUPDATEDEF_API __declspec(dllimport)
#  endif
#else
#  define VXMDUPDATEDEF_API
#endif
