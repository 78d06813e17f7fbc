#include "updatelib/UpdateInfo.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <tinyxml.h>

#include "UpdatePlatform.h"
#include "vxlib/Xml.h"

namespace {

const char kTasksRoot[] = "UpdateTasks";
const char kTaskElement[] = "UpdateInfo";
const char kCurVersion[] = "CurVersion";
const char kInfoUrl[] = "InfoURL";
const char kClassName[] = "ClassName2Close";
const char kMsgBoxTitle[] = "MessageBoxTitle";
const char kUpdateSilent[] = "bUpdateSilent";
const char kSetupSilent[] = "bSetupSilent";
const char kOnlyDownload[] = "bOnlyDownload";
const char kUserId[] = "UserID";
const char kInstallSrc[] = "InstallSRC";
const char kSavePath[] = "SavePath";

const char kAnswerRoot[] = "VxUpdate";
const char kNeedUpdate[] = "NeedToBeUpdated";
const char kVersion[] = "Version";
const char kLocation[] = "Location";

bool AppendTextChild(TiXmlElement& parent, const char* name, const std::string& text) {
    auto child = std::make_unique<TiXmlElement>(name);
    if (!text.empty() && !child->LinkEndChild(new TiXmlText(text))) return false;
    if (!parent.LinkEndChild(child.get())) return false;
    child.release();
    return true;
}

std::string ChildText(const Xml::XmlNode& parent, const char* name) {
    Xml::XmlNode child = parent.GetChild(name);
    return child.IsValid() ? child.GetText() : std::string();
}

// The leading integer of the text, as atoi reads it, but without overflow.
bool FlagFromText(const std::string& text) {
    errno = 0;
    long value = std::strtol(text.c_str(), nullptr, 10);
    return value > 0;
}

bool EqualsNoCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return i == a.size() && b[i] == '\0';
}

bool BuildTaskText(const std::vector<UpdateInfo>& infos, std::string& text) {
    TiXmlDocument doc;
    if (!doc.LinkEndChild(new TiXmlDeclaration("1.0", "", ""))) return false;
    auto root = std::make_unique<TiXmlElement>(kTasksRoot);
    for (const UpdateInfo& info : infos) {
        auto task = std::make_unique<TiXmlElement>(kTaskElement);
        bool complete = AppendTextChild(*task, kCurVersion, info.GetCurVersion()) &&
                        AppendTextChild(*task, kInfoUrl, info.GetInfoUrl()) &&
                        AppendTextChild(*task, kClassName, info.GetClassNameA()) &&
                        AppendTextChild(*task, kMsgBoxTitle, info.GetMsgBoxTitle()) &&
                        AppendTextChild(*task, kUpdateSilent, info.IsUpdateSilent() ? "1" : "0") &&
                        AppendTextChild(*task, kSetupSilent, info.IsSetupSilent() ? "1" : "0") &&
                        AppendTextChild(*task, kOnlyDownload, info.IsOnlyDownload() ? "1" : "0") &&
                        AppendTextChild(*task, kUserId, info.GetUserID()) &&
                        AppendTextChild(*task, kInstallSrc, info.GetInstallSRC()) &&
                        AppendTextChild(*task, kSavePath, info.GetSavePath());
        if (!complete || !root->LinkEndChild(task.get())) return false;
        task.release();
    }
    if (!doc.LinkEndChild(root.get())) return false;
    root.release();
    TiXmlPrinter printer;
    if (!doc.Accept(&printer)) return false;
    text.assign(printer.CStr(), printer.Size());
    return true;
}

}  // namespace

UpdateInfo::UpdateInfo() = default;

UpdateInfo::UpdateInfo(const std::string& curVersion, const std::string& infoUrl, const std::string& className,
                       const std::string& msgBoxTitle, bool updateSilent, bool setupSilent, bool onlyDownload,
                       const std::string& userId, const std::string& installSrc, const std::string& savePath) {
    Initalize(curVersion, infoUrl, className, msgBoxTitle, updateSilent, setupSilent, onlyDownload, userId,
              installSrc, savePath);
}

UpdateInfo::UpdateInfo(const UpdateInfo& other) = default;
UpdateInfo& UpdateInfo::operator=(const UpdateInfo& other) = default;
UpdateInfo::~UpdateInfo() = default;

void UpdateInfo::Initalize(const std::string& curVersion, const std::string& infoUrl, const std::string& className,
                           const std::string& msgBoxTitle, bool updateSilent, bool setupSilent, bool onlyDownload,
                           const std::string& userId, const std::string& installSrc, const std::string& savePath) {
    m_curVersion = curVersion;
    m_infoUrl = infoUrl;
    m_className = className;
    m_msgBoxTitle = msgBoxTitle;
    m_updateSilent = updateSilent;
    m_setupSilent = setupSilent;
    m_onlyDownload = onlyDownload;
    m_userId = userId;
    m_installSrc = installSrc;
    m_savePath = savePath;
}

UpdateInfoMgr::UpdateInfoMgr() = default;
UpdateInfoMgr::UpdateInfoMgr(const UpdateInfoMgr& other) = default;
UpdateInfoMgr& UpdateInfoMgr::operator=(const UpdateInfoMgr& other) = default;
UpdateInfoMgr::~UpdateInfoMgr() = default;

bool UpdateInfoMgr::Store(std::string& path, bool allowGenerated) {
    try {
        std::string text;
        if (!BuildTaskText(m_infos, text)) return false;
        FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "wb");
        if (!file) {
            if (!allowGenerated) return false;
            // Without TMP there is no folder we may assume writable.
            std::string tmp = UpdatePlatform::GetEnv("TMP");
            if (tmp.empty()) return false;
            char name[32];
            std::snprintf(name, sizeof(name), "\\Update%d.xml", static_cast<int>(UpdatePlatform::TickCount()));
            path = tmp + name;
            return Store(path, false);
        }
        bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
        written = (std::fclose(file) == 0) && written;
        if (!written) std::remove(path.c_str());
        return written;
    } catch (...) {
        return false;
    }
}

bool UpdateInfoMgr::Load(const std::string& path, bool deleteFile) {
    try {
        m_infos.clear();
        Xml::XmlNode root;
        if (path.empty() || !root.LoadFile(path)) return false;
        if (root.GetName() == kTasksRoot) {
            auto it = root.ChildBegin();
            while (it != root.ChildEnd() && it->GetName() != kTaskElement) ++it;
            for (; it != root.ChildEnd(); ++it) {
                std::string infoUrl = ChildText(*it, kInfoUrl);
                if (!UpdatePlatform::IsUrl(infoUrl)) continue;
                m_infos.emplace_back(ChildText(*it, kCurVersion), infoUrl, ChildText(*it, kClassName),
                                     ChildText(*it, kMsgBoxTitle), FlagFromText(ChildText(*it, kUpdateSilent)),
                                     FlagFromText(ChildText(*it, kSetupSilent)),
                                     FlagFromText(ChildText(*it, kOnlyDownload)), ChildText(*it, kUserId),
                                     ChildText(*it, kInstallSrc), ChildText(*it, kSavePath));
            }
        }
        if (deleteFile) std::remove(path.c_str());
        return !m_infos.empty();
    } catch (...) {
        m_infos.clear();
        return false;
    }
}

DownLoadInfo::DownLoadInfo() = default;
DownLoadInfo::DownLoadInfo(const std::string& text) { Load(text); }
DownLoadInfo::DownLoadInfo(const DownLoadInfo& other) = default;
DownLoadInfo& DownLoadInfo::operator=(const DownLoadInfo& other) = default;
DownLoadInfo::~DownLoadInfo() = default;

bool DownLoadInfo::Load(const std::string& text) {
    try {
        Xml::XmlNode root;
        if (!root.LoadStringA(text)) return false;
        if (root.GetName() == kAnswerRoot) {
            m_needUpdate = EqualsNoCase(ChildText(root, kNeedUpdate), "yes");
            m_latestVersion = ChildText(root, kVersion);
            m_location = ChildText(root, kLocation);
        }
        return true;
    } catch (...) {
        return false;
    }
}
