#include "config/ServerAddress.h"

#include "config/ConfigManager.h"

const char kServersSection[] = "Servers";

namespace {

struct ServerEntry {
    ServerKind kind;
    const char* key;
    const char* fallback;
};

const ServerEntry kServers[] = {
    {kServerDownload, "Download", VX_SERVER_DOWNLOAD},
    {kServerSearch, "Search", VX_SERVER_SEARCH},
    {kServerTip, "Tip", VX_SERVER_TIP},
    {kServerImage, "Image", VX_SERVER_IMAGE},
    {kServerVideoSearch, "VideoSearch", VX_SERVER_VIDEO_SEARCH},
    {kServerConfig, "Config", VX_SERVER_CONFIG},
    {kServerRegister, "Register", VX_SERVER_REGISTER},
    {kServerLog, "Log", VX_SERVER_LOG},
    {kServerFeedback, "Feedback", VX_SERVER_FEEDBACK},
};

const ServerEntry* Find(ServerKind kind) {
    for (const ServerEntry& entry : kServers) {
        if (entry.kind == kind) return &entry;
    }
    return nullptr;
}

std::string WithoutTrailingSlash(std::string address) {
    while (!address.empty() && address.back() == '/') address.pop_back();
    return address;
}

}  // namespace

const char* ServerKeyName(ServerKind kind) {
    const ServerEntry* entry = Find(kind);
    return entry ? entry->key : nullptr;
}

std::string GetServerAddress(ServerKind kind) {
    const ServerEntry* entry = Find(kind);
    if (!entry) return std::string();
    IConfigManager* config = AfxGetConfigManager();
    std::string address;
    if (config && (config->QueryString(kServersSection, entry->key, address) ||
                   config->QueryString(kServersSection, "All", address)) &&
        !address.empty()) {
        return WithoutTrailingSlash(address);
    }
    return entry->fallback;
}
