#pragma once

#if defined(_WIN32)
#  ifdef VXMDINTERFACE_BUILD
#    define VXMDINTERFACE_API __declspec(dllexport)
#  else
#    define VXMDINTERFACE_API __declspec(dllimport)
#  endif
#else
#  define VXMDINTERFACE_API
#endif
