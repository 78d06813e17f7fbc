#pragma once
#include <string>
#include <vector>

#include "bridge/VxMdInterfaceApi.h"
#include "core/MessageManager.h"
#include "datadef/SongList.h"

// The player bridge: every play and download request leaves the program here, as a numbered
// mission for the desktop player ("vxmusic.exe"), which fetches the mission text over the
// add-mission pipe and reports downloads over the down-state pipe.

// Mission actions; 3 and 4 are also download qualities, 5 asks the user with the download dialog.
enum MissionAction {
    kActionPlaySongs = 0,
    kActionPlayMv = 1,
    kActionPlayAdd = 2,
    kActionDownloadWma = 3,
    kActionDownloadMp3 = 4,
    kActionAskQuality = 5,
};

// Wording of the download dialog.
enum DownloadKind { kDownloadKindDownload = 0, kDownloadKindCopy = 1, kDownloadKindSend = 2 };

// What the movie player shows (its "/mdplay" command line).
struct MoviePlayInfo {
    std::string url;
    std::string title;
    std::string icon;
    int width = 0;
    int height = 0;
};

// The facade; all operations run on the main window's thread. Lists and songs passed in stay the
// caller's (the bridge clones what it keeps).
class IVxMdInterface {
public:
    virtual void PlaySongs(const std::vector<CSongInfoBase*>* songs, int action) = 0;                        // 0
    virtual void PlayList(CNetSongList* list, int action) = 0;                                               // 1
    virtual void PlaySong(CSongInfoBase* song, int action) = 0;                                              // 2
    virtual void PlayMovie(MoviePlayInfo info) = 0;                                                          // 3
    virtual void DownloadSongs(const std::vector<CSongInfoBase*>* songs, int* quality, std::string* folder, int kind) = 0;  // 4
    virtual void DownloadList(CSongListBase* list, int* quality, std::string* folder, int kind) = 0;         // 5
    virtual void DownloadSong(CSongInfoBase* song, int* quality, std::string* folder, int kind) = 0;         // 6
    virtual void CancelAll() = 0;                                                                            // 7
    // 1 when a usable player was found (its executable in path); with prompt, offers to install it.
    virtual int GetPlayerPath(std::string& path, int prompt) = 0;                                            // 8

protected:
    ~IVxMdInterface() = default;  // destroyed when the library unloads
};

extern "C" VXMDINTERFACE_API IVxMdInterface* GetVxMdInterface();

// Download notifications.
inline constexpr char kVxMdInterfaceChannel[] = "vxmdinterface";

enum DownMessage {
    kDownStart = 0,         // name (string), index (ulong), total (ulong), folder (string); sent
    kDownFinishAll = 1,     // total, finished, failed (ulong), std::vector<std::string>* targets,
                            // CNetSongList* failed songs, CNetSongList* finished songs; sent, pointers valid during the call
    kDownProgress = 2,      // speed, done, total (ulong); posted
    kPlaydeckClosed = 3,    // -; sent
    kDownTooMany = 4,       // -; sent
};

// Receives kVxMdInterfaceChannel; message n goes to slot n + 2 (slot order below). The base
// versions do nothing.
class IVxMdInterfaceObserver : public IMessageObserver {
public:
    void OnMessage(const std::string& /*channel*/, int id, const VariantList& params) override {
        RunCatchingAll([&] { Dispatch(id, params); });
    }

    virtual void DownStart(std::string /*name*/, unsigned /*index*/, unsigned /*total*/, std::string /*folder*/) {}  // 2
    virtual void DownFinishAll(unsigned /*total*/, unsigned /*finished*/, unsigned /*failed*/,
                               std::vector<std::string>* /*targets*/, CNetSongList* /*failedSongs*/,
                               CNetSongList* /*finishedSongs*/) {}                                                    // 3
    virtual void DownProgress(unsigned /*speed*/, unsigned /*done*/, unsigned /*total*/) {}                           // 4
    virtual void PlaydeckClosed() {}                                                                                  // 5
    virtual void DownTooMany() {}                                                                                     // 6

private:
    void Dispatch(int id, const VariantList& p) {
        static const Variant kEmpty;
        auto arg = [&p](size_t i) -> const Variant& { return i < p.size() ? p[i] : kEmpty; };
        switch (id) {
        case kDownStart:
            DownStart(arg(0).AsString(), static_cast<unsigned>(arg(1).AsULong()), static_cast<unsigned>(arg(2).AsULong()),
                      arg(3).AsString());
            break;
        case kDownFinishAll:
            DownFinishAll(static_cast<unsigned>(arg(0).AsULong()), static_cast<unsigned>(arg(1).AsULong()),
                          static_cast<unsigned>(arg(2).AsULong()), arg(3).AsPointer<std::vector<std::string>>(),
                          arg(4).AsPointer<CNetSongList>(), arg(5).AsPointer<CNetSongList>());
            break;
        case kDownProgress:
            DownProgress(static_cast<unsigned>(arg(0).AsULong()), static_cast<unsigned>(arg(1).AsULong()),
                         static_cast<unsigned>(arg(2).AsULong()));
            break;
        case kPlaydeckClosed: PlaydeckClosed(); break;
        case kDownTooMany: DownTooMany(); break;
        default: break;
        }
    }
};
