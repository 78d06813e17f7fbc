#pragma once
#include <map>
#include <string>
#include <vector>

// The byte-level half of the web view's script bridge: the command texts pages send through
// window.external.NotifyVxMd, and the queue that holds script calls until a page says it is
// ready. No windows here, so it builds and is tested natively. Not thread-safe: the web view
// uses it on the user-interface thread.
namespace scriptBridge {

// A NotifyVxMd text, lower-cased: the command before the first "?", then key=value pairs
// separated by "&". A pair without "=" has an empty value; the last of equal keys wins.
struct NotifyCommand {
    std::string command;
    std::map<std::string, std::string> params;
};
NotifyCommand ParseNotify(const std::string& gbkText);

enum ItemActKind { kActSelect = 0, kActDoubleClick = 1, kActRightClick = 2, kActOther = 3 };

struct ItemAct {
    int act = kActOther;
    std::vector<std::string> ids;    // "param", split at "|", empty ids dropped
    std::vector<int> extra;          // "arg", split at "|", non-numbers dropped
};
// An "itemact" command; false when "act" or "param" is missing.
bool ParseItemAct(const NotifyCommand& command, ItemAct& act);

// Item ids of a page are list or song ids: decimal numbers that fit 32 bits. Others are dropped.
std::vector<unsigned> NumericIds(const std::vector<std::string>& ids);

}  // namespace scriptBridge

// Script calls for the page being shown. Each navigation starts a new sequence (wrapping after
// kSequenceWrap), clears the ready flag and drops what the previous page never took; once the
// page reports ready, queued calls run in the order they were queued and later calls run at once.
class CScriptCallQueue {
public:
    static const long kSequenceWrap = 541472;

    struct Call {
        std::wstring function;
        std::vector<std::wstring> arguments;
        long stamp = 0;
    };

    // A new page is on its way.
    void Navigated();
    // Stamps the call; true when it is to run now (the page is ready), else it is kept.
    bool Add(Call& call);
    // The page is ready: returns the kept calls in order and empties the queue.
    std::vector<Call> MarkReady();

    bool Ready() const { return m_ready; }
    long Sequence() const { return m_sequence; }
    size_t Pending() const { return m_calls.size(); }

private:
    std::vector<Call> m_calls;
    bool m_ready = false;
    long m_sequence = 0;
};
