// The singer data of the ranking archive ("singer.pl"), from which the catalogue writes the singer
// index files, which the tree then loads through its "ref" lists ("all" refers to "all.pl", which
// refers to "all_a.pl" ... "all_temp.pl").
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "SingerIndex.h"
#include "datadef/SongListMgr.h"
#include "testing/FuzzInput.h"
#include "vxlib/Dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzinput::CScratchDir scratch("singers");
    scratch.Clear();
    const std::string dir = scratch.Path() + "/";
    Dir::WriteWholeFile(dir + "singer.pl", std::string(reinterpret_cast<const char*>(data), size));
    std::vector<std::string> written;
    SingerIndex::Build(dir, written);
    Dir::WriteWholeFile(dir + "root.pl", "<pl><pl n=\"all\" ref=\"local\"/><pl n=\"rihanzuhe\" ref=\"local\"/></pl>");

    CSongListMgr manager(nullptr);
    CSongListBase* root = nullptr;
    manager.LoadSongListFromXmlFile(dir + "root.pl", root);
    delete root;
    return 0;
}
