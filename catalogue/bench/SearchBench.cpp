// Speed of the catalogue's parsing, each against a baseline measured in the same run: a 1000-record
// search reply against zlib's inflation of the same blocks alone, the singer index of 20 000 singers
// against loading and saving that XML with TinyXML alone; and loading the tree it makes.
//   build/win/wine-run build/win/bin/VxMdNetSongBench.exe [runs]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../src/SearchReply.h"
#include "../src/SingerIndex.h"
#include "datadef/SongList.h"
#include "datadef/SongListMgr.h"
#include "vxlib/Dir.h"
#include "vxlib/Xml.h"
#include "vxlib/Zip.h"

#include <tinyxml.h>

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string LittleEndian(uint32_t v) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

// 1000 records in blocks of 100, as the search server sends them.
std::string MakeReply(std::vector<std::pair<uint32_t, std::string>>& blocks) {
    std::string reply;
    for (int block = 0; block < 10; ++block) {
        std::string page;
        for (int i = block * 100; i < block * 100 + 100; ++i) {
            const std::string n = std::to_string(i);
            page += "songname=歌曲" + n + "\nartist=歌手" + std::to_string(i % 97) + "\nalbum=专辑" + n +
                    "\ntag=流行\nfilesize=4000000\nscore=80\nnsig1=" + std::to_string(1000 + i) + "\nnsig2=" +
                    std::to_string(2000 + i) + "\nmusicrid=MUSIC_" + n + "\nmp3rid=MP3_" + n +
                    "\nmp3nsig1=11\nmp3nsig2=12\nmp3size=3900000\nmp3bitrate=128\nmkvrid=MKV_" + n +
                    "\nmkvnsig1=21\nmkvnsig2=22\naperid=APE_0\nbitrate=192\nplaycnt=12345\nreleasetime=1300000000"
                    "\nchange=up\nhitmode=all\r\n\r\n";
        }
        std::string packed;
        Memzip::Compress(page.data(), page.size(), packed);
        blocks.emplace_back(static_cast<uint32_t>(page.size()), packed);
        reply += LittleEndian(static_cast<uint32_t>(page.size())) + LittleEndian(static_cast<uint32_t>(packed.size())) + packed;
    }
    return reply;
}

class MemoryReader : public IReplyReader {
public:
    explicit MemoryReader(const std::string& data) : m_data(data) {}
    bool Read(char* buffer, int* length) override {
        const size_t n = std::min(static_cast<size_t>(*length), m_data.size() - m_pos);
        std::memcpy(buffer, m_data.data() + m_pos, n);
        m_pos += n;
        *length = static_cast<int>(n);
        return true;
    }

private:
    const std::string& m_data;
    size_t m_pos = 0;
};

void BenchReply(int runs) {
    std::vector<std::pair<uint32_t, std::string>> blocks;
    const std::string reply = MakeReply(blocks);
    size_t songs = 0;
    auto start = std::chrono::steady_clock::now();
    for (int run = 0; run < runs; ++run) {
        MemoryReader reader(reply);
        SearchResult result;
        SearchReply::ReadBlocks(reader, [&](const std::string& page) {
            std::unique_ptr<CNetSongList> list(SearchReply::ParsePage(page, result, "http://img/"));
            songs += list->GetSongInfoVector().size();
            return true;
        });
    }
    const double parse = Seconds(start) / runs;
    start = std::chrono::steady_clock::now();
    for (int run = 0; run < runs; ++run) {
        for (const auto& block : blocks) {
            std::string out(block.first, '\0');
            unsigned long length = block.first;
            Memzip::UnCompress(reinterpret_cast<unsigned char*>(&out[0]), &length,
                               reinterpret_cast<const unsigned char*>(block.second.data()), block.second.size());
        }
    }
    const double inflate = Seconds(start) / runs;
    std::printf("search reply, 1000 records (%zu bytes, %zu songs): parse %.2f ms, inflate alone %.2f ms, ratio %.1f\n",
                reply.size(), songs / runs, parse * 1000, inflate * 1000, inflate > 0 ? parse / inflate : 0.0);
}

void BenchSingers(const std::string& dir) {
    static const char* const kDistricts[] = {"港台", "大陆", "欧美", "日韩"};
    static const char* const kSexes[] = {"男", "女", "组合"};
    Xml::XmlNode root("pl");
    for (int i = 0; i < 20000; ++i) {
        Xml::XmlNode singer = root.AppendChild("pl");
        singer.SetAttrNum("id", 100000 + i);
        singer.SetAttr("n", "歌手" + std::to_string(i));
        singer.SetAttr("t", "1");
        singer.SetAttr("img", std::to_string(i) + ".jpg");
        singer.SetAttr("sex", kSexes[i % 3]);
        singer.SetAttr("dis", kDistricts[(i / 3) % 4]);
        singer.SetAttrNum("rank", i + 1);
        singer.SetAttr("init", std::string(1, i % 27 == 26 ? '#' : static_cast<char>('A' + i % 27)));
        singer.SetAttrNum("c", i % 50);
    }
    if (!root.SaveFile(dir + "singer.pl")) {
        std::printf("cannot write %ssinger.pl\n", dir.c_str());
        return;
    }
    // The baseline: the same XML read and written once by the XML library alone.
    auto start = std::chrono::steady_clock::now();
    {
        TiXmlDocument document;
        document.LoadFile((dir + "singer.pl").c_str());
        document.SaveFile((dir + "singer-copy.pl").c_str());
    }
    const double xmlAlone = Seconds(start);
    std::vector<std::string> written;
    start = std::chrono::steady_clock::now();
    const bool built = SingerIndex::Build(dir, written);
    const double index = Seconds(start);
    std::printf("singer index, 20000 singers (%zu files%s): %.0f ms, XML load and save alone %.0f ms, ratio %.1f\n",
                written.size(), built ? "" : ", failed", index * 1000, xmlAlone * 1000,
                xmlAlone > 0 ? index / xmlAlone : 0.0);

    CSongListMgr manager(nullptr);
    CSongListBase* tree = nullptr;
    start = std::chrono::steady_clock::now();
    size_t lists = 0;
    if (manager.LoadSongListFromXmlFile(dir + "all.pl", tree) && tree) {
        for (CSongListBase* child : tree->GetChildrenVector()) lists += 1 + child->GetChildrenVector().size();
    }
    std::printf("tree load (all.pl with its 28 lists): %.0f ms, %zu lists\n", Seconds(start) * 1000, lists);
    delete tree;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    BenchReply(runs);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "vx-searchbench-" + std::to_string(GetCurrentProcessId()) + "\\";
    Dir::MakeDir(dir);
    BenchSingers(dir);
    Dir::DeleteDir(dir);
    return 0;
}
