#pragma once
#include <string>

#include "config/VxMdConfigApi.h"

// The maker's web servers, named in one place. A server's base address ("http://host[:port]",
// no trailing slash) comes from the configuration section "Servers": the key of its own name,
// else "All" (one host for every server, as the local stand-in is), else the default the build
// was configured with (CMake cache variables VX_SERVER_*). Keys that callers read on top of this
// ("Netsong"/"SearchServer", "LogMsg"/"uplogserver", ...) keep their meaning; their defaults are
// built from these addresses.
enum ServerKind {
    kServerDownload,     // ranking archive, packages
    kServerSearch,       // keyword searches
    kServerTip,          // search tips
    kServerImage,        // singer heads, list images
    kServerVideoSearch,  // video search
    kServerConfig,       // update checks
    kServerRegister,     // user id registration
    kServerLog,          // daily report upload
    kServerFeedback,     // feedback page
};

extern VXMDCONFIG_API const char kServersSection[];  // "Servers"

// The configuration key of a kind ("Download", "Search", ...); null for an unknown kind.
VXMDCONFIG_API const char* ServerKeyName(ServerKind kind);
VXMDCONFIG_API std::string GetServerAddress(ServerKind kind);
