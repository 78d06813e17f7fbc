#pragma once
#include <string>

#include "catalogue/SearchTypes.h"
#include "core/MessageManager.h"

// Keyword searches run as a music half and a video half; their answers arrive on this channel.
inline constexpr char kSearchProxyChannel[] = "VxMdSearchProxy";

enum SearchProxyMessage {
    kProxyStarted = 0,    // request number (long), SearchParam (object)
    kProxyFinished = 1,   // request number, music SearchResult*, video SearchResult*
    kProxyNoResult = 2,   // as 1; sent before 1 when the music answer says "nores" and no video came
    kProxyCancelled = 3,  // request number
    kProxyFailed = 4,     // request number
};

// Receives kSearchProxyChannel: message 0 goes to slot 2, 1 to slot 4, 2 to slot 3, 3 to slot 5
// and 4 to slot 6. Results are valid during the call only.
class ISearchProxyObserver : public IMessageObserver {
public:
    void OnMessage(const std::string& channel, int id, const VariantList& params) override {
        RunCatchingAll([&] { Dispatch(id, params); });
    }

    virtual void OnProxyStarted(long /*requestNo*/, const SearchParam* /*param*/) {}                      // 2
    virtual void OnProxyNoResult(long /*requestNo*/, SearchResult* /*music*/, SearchResult* /*video*/) {}  // 3
    virtual void OnProxyFinished(long /*requestNo*/, SearchResult* /*music*/, SearchResult* /*video*/) {}  // 4
    virtual void OnProxyCancelled(long /*requestNo*/) {}                                                  // 5
    virtual void OnProxyFailed(long /*requestNo*/) {}                                                     // 6

private:
    void Dispatch(int id, const VariantList& p) {
        static const Variant kEmpty;
        auto arg = [&p](size_t i) -> const Variant& { return i < p.size() ? p[i] : kEmpty; };
        switch (id) {
        case kProxyStarted: OnProxyStarted(arg(0).AsLong(), arg(1).AsObject<SearchParam>()); break;
        case kProxyFinished:
            OnProxyFinished(arg(0).AsLong(), arg(1).AsPointer<SearchResult>(), arg(2).AsPointer<SearchResult>());
            break;
        case kProxyNoResult:
            OnProxyNoResult(arg(0).AsLong(), arg(1).AsPointer<SearchResult>(), arg(2).AsPointer<SearchResult>());
            break;
        case kProxyCancelled: OnProxyCancelled(arg(0).AsLong()); break;
        case kProxyFailed: OnProxyFailed(arg(0).AsLong()); break;
        default: break;
        }
    }
};
