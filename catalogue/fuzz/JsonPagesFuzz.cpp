// JSON list pages (song, album, video, drama, game and search pages) as the list and video servers
// send them: converted from UTF-8, parsed into a list, then the pages that would be fetched after
// it; and the shape check the recently played videos apply to a page before taking an item.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "JsonNodes.h"
#include "JsonPages.h"
#include "datadef/SongList.h"
#include "vxlib/Charset.h"
#include "vxlib/JsonText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string total;
    JsonPageInfo paging;
    std::unique_ptr<CNetSongList> list(
        JsonPages::ParsePage(Charset::UTF8ToString(text), "http://h/vdisk.web?t=search&pn=0", total, paging));
    if (list) JsonPages::Following(paging);

    CJsonVideoPage page;
    if (JsonText::Parse(text, page.Value(), nullptr, false)) page.Validate();
    return 0;
}
