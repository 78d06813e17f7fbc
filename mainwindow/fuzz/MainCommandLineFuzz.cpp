// The main program's command line, as it starts or as a second start forwards it (WM_COPYDATA,
// with or without its ending zero), including the "/go" path of a list shortcut: the ids it reads
// must come back the same through the arguments a list shortcut is made with.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "FrameConstants.h"
#include "ListShortcut.h"
#include "datadef/SongList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line = ForwardedLine(data, size);
    if (line.size() > size || line.find('\0') != std::string::npos) abort();
    if (line.find(frame::kShowIt) != std::string::npos) return 0;

    const CCommandLine commandLine(line);
    std::string id;
    commandLine.PlayIco(id);
    ExitRecordSource(commandLine.From());
    commandLine.IsAutoRun();
    const std::vector<uint32_t> ids = commandLine.GoPath();
    if (CCommandLine(listshortcut::GoArguments(ids)).GoPath() != ids) abort();

    // The tree path of a list below the catalogue root; a list without an id is left out.
    CNetSongList root;
    CSongListBase* parent = &root;
    std::vector<uint32_t> kept;
    for (uint32_t listId : ids) {
        CNetSongList* list = new CNetSongList;
        list->SetId(listId);
        parent->AddChild(list);
        parent = list;
        if (listId != 0) kept.push_back(listId);
    }
    const std::vector<uint32_t> path = listshortcut::PathIds(*parent);
    if (path != kept || CCommandLine(listshortcut::GoArguments(path)).GoPath() != path) abort();
    return 0;
}
