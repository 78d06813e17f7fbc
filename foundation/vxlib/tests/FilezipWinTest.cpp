#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <set>

#include "ZipTestWriter.h"
#include "vxlib/Charset.h"
#include "vxlib/Dir.h"
#include "vxlib/Zip.h"

namespace {

// Each test gets a parent folder (with a Chinese name) holding the archive and the target, so
// anything written outside the target shows up among the parent's entries.
class FilezipTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_parent = std::string(temp) + "vx-zip-测试-" + std::to_string(GetCurrentProcessId());
        Dir::DeleteDir(m_parent);
        ASSERT_TRUE(Dir::MakeDir(m_parent));
        m_zip = m_parent + "\\包.zip";
        m_target = m_parent + "\\res\\";
    }
    void TearDown() override { Dir::DeleteDir(m_parent); }

    void WriteZip(const std::string& bytes) {
        std::ofstream out(Charset::String2WString(m_zip).c_str(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    static std::set<std::string> List(const std::string& folder) {
        std::set<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            std::string name = data.cFileName;
            if (name != "." && name != "..") names.insert(name);
        } while (FindNextFileA(find, &data));
        FindClose(find);
        return names;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(Charset::String2WString(path).c_str(), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    std::string m_parent, m_zip, m_target;
};

ZipTestEntry Entry(const std::string& name, const std::string& data, uint16_t flags = 0) {
    ZipTestEntry e;
    e.name = name;
    e.data = data;
    e.flags = flags;
    return e;
}

}  // namespace

TEST_F(FilezipTest, FoldersAndChineseNamesUnpackUnderTheirRelativeNames) {
    // The narrow literal "歌手.pl" is GBK: an entry without the UTF-8 flag, as zip tools on
    // Chinese systems write it; the second Chinese entry is flagged UTF-8.
    WriteZip(MakeTestZip({Entry("webres/", ""), Entry("webres/css/site.css", "body{}"), Entry("歌手.pl", "<gbk/>"),
                          Entry(u8"排行/榜单.xml", "<utf8/>", 0x800), Entry("top.xml", std::string(100000, 't'))}));
    std::list<std::string> files;
    ASSERT_TRUE(Filezip::UnCompress(m_zip, m_target, files, false));
    const std::list<std::string> expected = {"webres", "webres\\css", "webres\\css\\site.css", "歌手.pl",
                                             "排行", "排行\\榜单.xml", "top.xml"};
    EXPECT_EQ(expected, files);
    EXPECT_TRUE(Dir::IsDirectory(m_target + "webres\\css"));
    EXPECT_EQ("body{}", Read(m_target + "webres\\css\\site.css"));
    EXPECT_EQ("<gbk/>", Read(m_target + "歌手.pl"));
    EXPECT_EQ("<utf8/>", Read(m_target + "排行\\榜单.xml"));
    EXPECT_EQ(100000u, Read(m_target + "top.xml").size());
}

TEST_F(FilezipTest, EntriesThatWouldLandOutsideTheTargetWriteNothingThere) {
    const std::string parentBackslash = m_parent + "\\";
    const std::string bad[] = {
        "../evil1.txt", "..\\evil2.txt", "a/../../evil3.txt", parentBackslash + "evil4.txt",
        "\\\\?\\" + parentBackslash + "evil5.txt", "\\\\localhost\\c$\\evil6.txt", "C:evil7.txt",
        "res:evil8.txt", "good.txt:evil9", "CON", "nul.txt", "a/COM1", "LPT1.log", ".. \\evil10.txt",
        "evil11.txt.", std::string(300, 'x'),
    };
    std::vector<ZipTestEntry> entries;
    for (const std::string& name : bad) entries.push_back(Entry(name, "evil"));
    entries.push_back(Entry("good.txt", "good"));
    WriteZip(MakeTestZip(entries));

    std::vector<std::string> files;
    ASSERT_TRUE(Filezip::UnCompress(m_zip, m_target, files, false));
    EXPECT_EQ(std::vector<std::string>{"good.txt"}, files);
    EXPECT_EQ((std::set<std::string>{"包.zip", "res"}), List(m_parent));
    EXPECT_EQ(std::set<std::string>{"good.txt"}, List(m_target));

    Dir::DeleteDir(m_target);
    EXPECT_FALSE(Filezip::UnCompress(m_zip, m_target, files, true));
    EXPECT_TRUE(files.empty());
    EXPECT_EQ((std::set<std::string>{"包.zip", "res"}), List(m_parent));
}

TEST_F(FilezipTest, DamagedOrMissingArchivesFailWithAnEmptyList) {
    const std::string good = MakeTestZip({Entry("a/b.txt", std::string(5000, 'b')), Entry("c.txt", "c")});
    std::string flipped = good;
    flipped[good.find("a/b.txt") + 12] ^= 0x55;  // inside the deflated data: the CRC no longer matches
    const std::string cases[] = {good.substr(0, good.size() - 1), good.substr(0, good.size() / 2), flipped,
                                 std::string(2000, 'Z'), std::string(), MakeTestZip({})};
    for (const std::string& bytes : cases) {
        WriteZip(bytes);
        std::list<std::string> files = {"stale"};
        EXPECT_FALSE(Filezip::UnCompress(m_zip, m_target, files, false)) << bytes.size();
        EXPECT_TRUE(files.empty());
    }
    std::list<std::string> files;
    EXPECT_FALSE(Filezip::UnCompress(m_parent + "\\missing.zip", m_target, files, false));
    EXPECT_EQ((std::set<std::string>{"包.zip", "res"}), List(m_parent));
}
