// What the pages of the web view say through window.external.NotifyVxMd: "statusok", and
// "itemact" with the ids of the items acted on and extra numbers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ScriptBridge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const scriptBridge::NotifyCommand command = scriptBridge::ParseNotify(text);
    if (command.command.size() > text.size()) abort();
    scriptBridge::ItemAct act;
    if (command.command != "itemact" || !scriptBridge::ParseItemAct(command, act)) return 0;
    if (act.act < scriptBridge::kActSelect || act.act > scriptBridge::kActOther) abort();
    for (const std::string& id : act.ids)
        if (id.empty()) abort();
    scriptBridge::NumericIds(act.ids);
    return 0;
}
