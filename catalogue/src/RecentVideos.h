#pragma once
#include <string>

// The recently played videos: pages of at most 60 items in a folder (path type 118) and the
// index "VxVRPmap.dat". One lock guards every operation; Add and Clear run on the caller's
// thread, ReadPage on request threads.
class CRecentVideos {
public:
    CRecentVideos();
    ~CRecentVideos();
    // Takes the folder and loads the index and the pages.
    void Setup(const std::string& folder);
    // Adds the item of the page's "list" whose "id" is videoId; 1 on success, else 0.
    int Add(const std::string& jsonPage, int videoId);
    // Deletes every page; the result is the result of writing the empty index.
    int Clear();
    // The JSON text of page n ("type" "videorecent"); false when n is outside the pages.
    bool ReadPage(int page, std::string& json);

private:
    struct State;
    State* m_state;
};
