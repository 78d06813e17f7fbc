#pragma once
#include <string>
#include <vector>

#include "updatelib/VxMdUpdateDefApi.h"

// One update task: which product and version to check, where to ask and to save, how quietly.
// The class name names the task: result-file section, the updater's stop event and mutex, the
// notify tag; its part after the last "_" selects the form of the check request.
class VXMDUPDATEDEF_API UpdateInfo {
public:
    UpdateInfo();
    UpdateInfo(const std::string& curVersion, const std::string& infoUrl, const std::string& className,
               const std::string& msgBoxTitle, bool updateSilent, bool setupSilent, bool onlyDownload,
               const std::string& userId, const std::string& installSrc, const std::string& savePath);
    UpdateInfo(const UpdateInfo& other);
    UpdateInfo& operator=(const UpdateInfo& other);
    virtual ~UpdateInfo();

    void Initalize(const std::string& curVersion, const std::string& infoUrl, const std::string& className,
                   const std::string& msgBoxTitle, bool updateSilent, bool setupSilent, bool onlyDownload,
                   const std::string& userId, const std::string& installSrc, const std::string& savePath);

    const std::string& GetCurVersion() const { return m_curVersion; }
    void SetCurVersion(const std::string& v) { m_curVersion = v; }
    const std::string& GetInfoUrl() const { return m_infoUrl; }
    void SetInfoUrl(const std::string& v) { m_infoUrl = v; }
    const std::string& GetClassNameA() const { return m_className; }
    void SetClassName(const std::string& v) { m_className = v; }
    const std::string& GetMsgBoxTitle() const { return m_msgBoxTitle; }
    void SetMsgBoxTitle(const std::string& v) { m_msgBoxTitle = v; }
    bool IsUpdateSilent() const { return m_updateSilent; }
    void SetUpdateSilent(bool v) { m_updateSilent = v; }
    bool IsSetupSilent() const { return m_setupSilent; }
    void SetSetupSilent(bool v) { m_setupSilent = v; }
    bool IsOnlyDownload() const { return m_onlyDownload; }
    void SetOnlyDownload(bool v) { m_onlyDownload = v; }
    const std::string& GetUserID() const { return m_userId; }
    void SetUserID(const std::string& v) { m_userId = v; }
    const std::string& GetInstallSRC() const { return m_installSrc; }
    void SetInstallSRC(const std::string& v) { m_installSrc = v; }
    const std::string& GetSavePath() const { return m_savePath; }
    void SetSavePath(const std::string& v) { m_savePath = v; }

private:
    std::string m_curVersion;
    std::string m_infoUrl;
    std::string m_className;
    std::string m_msgBoxTitle = "Update";
    bool m_updateSilent = false;
    bool m_setupSilent = false;
    bool m_onlyDownload = false;
    std::string m_userId;
    std::string m_installSrc;
    std::string m_savePath;
};

// The task list and its file ("UpdateTasks" with one "UpdateInfo" per task).
class VXMDUPDATEDEF_API UpdateInfoMgr {
public:
    UpdateInfoMgr();
    UpdateInfoMgr(const UpdateInfoMgr& other);
    UpdateInfoMgr& operator=(const UpdateInfoMgr& other);
    virtual ~UpdateInfoMgr();
    // Writes the file; with allowGenerated, an unwritable path becomes TMP + "\Update<ticks>.xml"
    // and is handed back in path.
    virtual bool Store(std::string& path, bool allowGenerated);
    // Reads the file (deleting it when asked); true when at least one task was read.
    virtual bool Load(const std::string& path, bool deleteFile);

    std::vector<UpdateInfo>& GetInfos() { return m_infos; }
    const std::vector<UpdateInfo>& GetInfos() const { return m_infos; }

private:
    std::vector<UpdateInfo> m_infos;
};

// The update server's answer for one task.
class VXMDUPDATEDEF_API DownLoadInfo {
public:
    DownLoadInfo();
    explicit DownLoadInfo(const std::string& text);
    DownLoadInfo(const DownLoadInfo& other);
    DownLoadInfo& operator=(const DownLoadInfo& other);
    virtual ~DownLoadInfo();
    // Reads a "VxUpdate" answer; false only when the text does not parse.
    bool Load(const std::string& text);

    bool IsNeedToBeUpdated() const { return m_needUpdate; }
    void SetNeedUpdate(bool v) { m_needUpdate = v; }
    const std::string& GetLatestVersion() const { return m_latestVersion; }
    void SetLatestVersion(const std::string& v) { m_latestVersion = v; }
    const std::string& GetLocation() const { return m_location; }
    void SetLocation(const std::string& v) { m_location = v; }
    const std::string& GetFileName() const { return m_fileName; }
    void SetFileName(const std::string& v) { m_fileName = v; }

private:
    bool m_needUpdate = false;
    std::string m_latestVersion;
    std::string m_location;
    std::string m_fileName;
};
