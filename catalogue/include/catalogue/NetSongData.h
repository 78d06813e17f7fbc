#pragma once
#include <string>
#include <vector>

#include "catalogue/SearchTypes.h"
#include "catalogue/VxMdNetSongApi.h"
#include "core/MessageManager.h"
#include "datadef/SongList.h"
#include "datadef/SongListMgr.h"

// The catalogue library: the ranking tree, searches, JSON list pages, recently played videos and
// the search history behind one facade. Results arrive as messages on kNetSongChannel.
inline constexpr char kNetSongChannel[] = "vxmdnetsong";

struct SearchThreadInfo;

// Messages of kNetSongChannel. 0..8 are for the program; 9..14 come from the library's worker
// threads (sent, so the worker waits until the facade has taken what it needs) and are handled
// by the facade, which then sends the public message.
enum NetSongMessage {
    kMsgCreated = 0,           // -
    kMsgTreeReady = 1,         // -
    kMsgSearchStarted = 2,     // cookie (long), SearchParam (object)
    kMsgSearchCancelled = 3,   // cookie
    kMsgSearchPage = 4,        // cookie, SearchResult*
    kMsgSearchFinished = 5,    // cookie
    kMsgSearchFailed = 6,      // cookie
    kMsgSongsSorted = 7,       // sort key (unsigned long), the list manager's out value (int)
    kMsgRepeatDeleted = 8,     // CSongListBase* given to DeleteRepeat
    kMsgTreeLoaded = 9,        // root CSongListBase*
    kMsgThreadCreated = 10,    // cookie, SearchThreadInfo*
    kMsgThreadPage = 11,       // cookie, SearchResult*, cancelled flag (int)
    kMsgThreadFinished = 12,   // cookie, SearchResult*, cancelled flag (int)
    kMsgThreadCancelled = 13,  // cookie
    kMsgThreadFailed = 14,     // cookie
};

// Receives kNetSongChannel: message n goes to slot n + 2. Every slot does nothing by default.
// Called on the thread that registered the observer. A SearchParam arrives as a pointer to the
// message's copy, valid during the call only.
class INetSongDataObserver : public IMessageObserver {
public:
    // Dispatches by message number; an exception in a slot ends there (it cannot cross modules).
    void OnMessage(const std::string& channel, int id, const VariantList& params) override {
        RunCatchingAll([&] { Dispatch(id, params); });
    }

    virtual void OnNetSongDataCreated() {}                                              // 2
    virtual void OnRankingTreeReady() {}                                                // 3
    virtual void OnSearchStarted(long /*cookie*/, const SearchParam* /*param*/) {}      // 4
    virtual void OnSearchCancelled(long /*cookie*/) {}                                  // 5
    virtual void OnSearchPage(long /*cookie*/, SearchResult* /*result*/) {}             // 6
    virtual void OnSearchFinished(long /*cookie*/) {}                                   // 7
    virtual void OnSearchFailed(long /*cookie*/) {}                                     // 8
    virtual void OnSongsSorted(unsigned long /*sortKey*/, int /*result*/) {}            // 9
    virtual void OnRepeatDeleted(CSongListBase* /*list*/) {}                            // 10
    virtual void OnTreeLoaded(CSongListBase* /*root*/) {}                               // 11
    virtual void OnThreadCreated(long /*cookie*/, SearchThreadInfo* /*info*/) {}        // 12
    virtual void OnThreadPage(long /*cookie*/, SearchResult* /*result*/, int /*cancelled*/) {}      // 13
    virtual void OnThreadFinished(long /*cookie*/, SearchResult* /*result*/, int /*cancelled*/) {}  // 14
    virtual void OnThreadCancelled(long /*cookie*/) {}                                  // 15
    virtual void OnThreadFailed(long /*cookie*/) {}                                     // 16

private:
    static const Variant& Arg(const VariantList& params, size_t i) {
        static const Variant kEmpty;
        return i < params.size() ? params[i] : kEmpty;
    }
    void Dispatch(int id, const VariantList& p) {
        switch (id) {
        case kMsgCreated: OnNetSongDataCreated(); break;
        case kMsgTreeReady: OnRankingTreeReady(); break;
        case kMsgSearchStarted: OnSearchStarted(Arg(p, 0).AsLong(), Arg(p, 1).AsObject<SearchParam>()); break;
        case kMsgSearchCancelled: OnSearchCancelled(Arg(p, 0).AsLong()); break;
        case kMsgSearchPage: OnSearchPage(Arg(p, 0).AsLong(), Arg(p, 1).AsPointer<SearchResult>()); break;
        case kMsgSearchFinished: OnSearchFinished(Arg(p, 0).AsLong()); break;
        case kMsgSearchFailed: OnSearchFailed(Arg(p, 0).AsLong()); break;
        case kMsgSongsSorted: OnSongsSorted(Arg(p, 0).AsULong(), Arg(p, 1).AsInt()); break;
        case kMsgRepeatDeleted: OnRepeatDeleted(Arg(p, 0).AsPointer<CSongListBase>()); break;
        case kMsgTreeLoaded: OnTreeLoaded(Arg(p, 0).AsPointer<CSongListBase>()); break;
        case kMsgThreadCreated: OnThreadCreated(Arg(p, 0).AsLong(), Arg(p, 1).AsPointer<SearchThreadInfo>()); break;
        case kMsgThreadPage:
            OnThreadPage(Arg(p, 0).AsLong(), Arg(p, 1).AsPointer<SearchResult>(), Arg(p, 2).AsInt());
            break;
        case kMsgThreadFinished:
            OnThreadFinished(Arg(p, 0).AsLong(), Arg(p, 1).AsPointer<SearchResult>(), Arg(p, 2).AsInt());
            break;
        case kMsgThreadCancelled: OnThreadCancelled(Arg(p, 0).AsLong()); break;
        case kMsgThreadFailed: OnThreadFailed(Arg(p, 0).AsLong()); break;
        default: break;
        }
    }
};

// The facade. Slots 0 and 1 are ICreateFactory's. Called on the program's user-interface thread;
// lists and songs handed out stay the library's (clone what you keep beyond one call).
class INetSongData : public ICreateFactory {
public:
    virtual int Search(SearchParam& param) = 0;                                          // 2
    virtual void CancleSearch(long cookie) = 0;                                          // 3
    virtual void CancleAllSearch() = 0;                                                  // 4
    virtual void GetSearchHistory(int count, std::vector<SearchParam>& out) = 0;         // 5
    virtual int ClearSearchHistory() = 0;                                                // 6
    virtual void GetTipWords(std::vector<TipWord>& out) = 0;                             // 7
    virtual int OpenListItem(CNetSongList* list, int page) = 0;                          // 8
    virtual int HasRankingTree() = 0;                                                    // 9
    virtual int GetRootList(CSongListBase*& root) = 0;                                   // 10
    virtual int GetTopLists(std::vector<CSongListBase*>& out) = 0;                       // 11
    virtual int GetChildList(CSongListBase* parent, int index, CSongListBase*& out) = 0;  // 12
    virtual int GetChildListByName(CSongListBase* parent, const std::string& name, CSongListBase*& out) = 0;  // 13
    virtual void GetLastSearchParam(SearchParam& out) = 0;                               // 14
    virtual int GetShowingSongs(std::vector<CSongInfoBase*>& out, int onlyVideo) = 0;    // 15
    virtual int GetSongInfos(const std::vector<int>& positions, std::vector<CSongInfoBase*>& out) = 0;  // 16
    virtual int GetOneSearchSong(int position, CSongInfoBase*& out) = 0;                 // 17
    virtual int SortSongs(unsigned long sortKey) = 0;                                    // 18
    virtual int DeleteRepeat(CSongListBase* list) = 0;                                   // 19
    virtual int AddRecentVideo(const std::string& json, int videoId) = 0;                // 20
    virtual int ClearRecentVideos() = 0;                                                 // 21

protected:
    ~INetSongData() = default;  // destroyed when the library unloads
};

// The process's facade, created on the first call (which sends message 0 and starts the ranking
// thread); later calls return the same object.
extern "C" VXMDNETSONG_API INetSongData* GetNetSongData();
