#pragma once

#if defined(_WIN32)
#  ifdef VXMDNETSONG_BUILD
#    define VXMDNETSONG_API __declspec(dllexport)
#  else
#    define VXMDNETSONG_API __declspec(dllimport)
#  endif
#else
#  define VXMDNETSONG_API
#endif
