#include <gtest/gtest.h>

#include "ZipTestWriter.h"
#include "vxlib/Zip.h"

namespace {

typedef std::vector<std::pair<std::string, std::string>> Files;

const char* const kRefusedNames[] = {
    "../evil.txt", "..\\evil.txt", "a/../../evil.txt", "a/./b.txt", ".. /evil.txt", "a/.../b",
    "/etc/evil", "\\evil.txt", "C:evil.txt", "c:/evil.txt", "\\\\server\\share\\evil.txt",
    "//server/share/evil.txt", "\\\\?\\C:\\evil.txt", "good.txt:stream", "good.txt::$DATA",
    "CON", "nul", "Nul.txt", "a/COM1", "aux.tar.gz", "LPT9.log/x", "con .txt", "com\xC2\xB9", "CONIN$",
    "a//b.txt", "a\\\\b.txt", "what?.txt", "a*b", "a|b", "a<b", "a\"b", "tab\there", "end.", "end ",
    std::string("nul\0byte", 8).c_str(), "\xB8\xE8\xCA\xD6", "\xC3\x28", "",
};

}  // namespace

TEST(Memzip, ZlibBlocksDecompressOnlyIntoEnoughRoom) {
    const std::string text(5000, 'x');
    std::string packed;
    ASSERT_TRUE(Memzip::Compress(text.data(), text.size(), packed));
    const unsigned char* src = reinterpret_cast<const unsigned char*>(packed.data());

    std::vector<unsigned char> buffer(6000, 0xAB);
    unsigned long length = 5000;
    ASSERT_TRUE(Memzip::UnCompress(buffer.data(), &length, src, static_cast<unsigned long>(packed.size())));
    EXPECT_EQ(5000u, length);
    EXPECT_EQ(text, std::string(buffer.begin(), buffer.begin() + 5000));
    EXPECT_EQ(0xAB, buffer[5000]);

    // Too little room, a cut stream, garbage: each fails, and nothing lands past the room given.
    std::fill(buffer.begin(), buffer.end(), 0xAB);
    length = 4999;
    EXPECT_FALSE(Memzip::UnCompress(buffer.data(), &length, src, static_cast<unsigned long>(packed.size())));
    EXPECT_EQ(0xAB, buffer[4999]);
    length = 5000;
    EXPECT_FALSE(Memzip::UnCompress(buffer.data(), &length, src, static_cast<unsigned long>(packed.size() - 1)));
    length = 5000;
    EXPECT_FALSE(Memzip::UnCompress(buffer.data(), &length, src, 0));
    const unsigned char garbage[] = {0x78, 0x9C, 0xFF, 0xFF, 0x00, 0x12, 0x34};
    length = 5000;
    EXPECT_FALSE(Memzip::UnCompress(buffer.data(), &length, garbage, sizeof(garbage)));
    length = 0;
    EXPECT_FALSE(Memzip::UnCompress(buffer.data(), &length, src, static_cast<unsigned long>(packed.size())));
}

TEST(Memzip, EntryNamesThatLeaveTheTargetAreRefused) {
    std::string relative;
    bool folder = true;
    for (const char* name : kRefusedNames) EXPECT_FALSE(Filezip::CheckEntryName(name, relative, folder)) << name;

    const std::pair<const char*, const char*> accepted[] = {
        {"a.txt", "a.txt"}, {"webres\\css\\a.css", "webres/css/a.css"}, {"webres/", "webres"},
        {"..a", "..a"}, {".hidden", ".hidden"}, {"CONSOLE.txt", "CONSOLE.txt"}, {"com10", "com10"},
        {"lpt", "lpt"}, {u8"歌手/周杰伦.pl", u8"歌手/周杰伦.pl"},
    };
    for (const auto& pair : accepted) {
        ASSERT_TRUE(Filezip::CheckEntryName(pair.first, relative, folder)) << pair.first;
        EXPECT_EQ(pair.second, relative);
    }
    Filezip::CheckEntryName("webres/", relative, folder);
    EXPECT_TRUE(folder);
    Filezip::CheckEntryName("webres/a", relative, folder);
    EXPECT_FALSE(folder);
}

TEST(Memzip, ArchivesInMemoryUnpackAndSkipRefusedEntries) {
    std::vector<ZipTestEntry> entries(4);
    entries[0].name = "webres/";
    entries[0].data = "";
    entries[1].name = "webres/css/site.css";
    entries[1].data = std::string(3000, 'c');
    entries[2].name = u8"歌手.pl";
    entries[2].flags = 0x800;
    entries[2].data = "<x/>";
    entries[2].deflate = false;
    entries[3].name = "empty.txt";
    Files files;
    ASSERT_TRUE(Memzip::UnCompress(MakeTestZip(entries).data(), MakeTestZip(entries).size(), files));
    ASSERT_EQ(3u, files.size());
    EXPECT_EQ("webres/css/site.css", files[0].first);
    EXPECT_EQ(entries[1].data, files[0].second);
    EXPECT_EQ(u8"歌手.pl", files[1].first);
    EXPECT_EQ("<x/>", files[1].second);
    EXPECT_EQ("", files[2].second);

    for (const char* bad : kRefusedNames) {
        std::vector<ZipTestEntry> mixed(2);
        mixed[0].name = bad;
        mixed[0].data = "evil";
        mixed[0].flags = 0x800;  // the table's names are UTF-8 bytes
        mixed[1].name = "good.txt";
        mixed[1].data = "good";
        const std::string zip = MakeTestZip(mixed);
        ASSERT_TRUE(Memzip::UnCompress(zip.data(), zip.size(), files)) << bad;
        ASSERT_EQ(1u, files.size()) << bad;
        EXPECT_EQ("good.txt", files[0].first);
        EXPECT_FALSE(Memzip::UnCompress(zip.data(), zip.size(), files, true)) << bad;
        EXPECT_TRUE(files.empty());
        mixed.pop_back();
        const std::string onlyBad = MakeTestZip(mixed);
        EXPECT_FALSE(Memzip::UnCompress(onlyBad.data(), onlyBad.size(), files)) << bad;
    }
}

TEST(Memzip, DamagedArchivesAndBombsFail) {
    std::vector<ZipTestEntry> entries(2);
    entries[0].name = "a/b.txt";
    entries[0].data = std::string(20000, 'b') + "end";
    entries[1].name = "c.txt";
    entries[1].data = "see";
    const std::string zip = MakeTestZip(entries);
    Files files;
    ASSERT_TRUE(Memzip::UnCompress(zip.data(), zip.size(), files));

    for (size_t cut = 0; cut < zip.size(); ++cut)
        EXPECT_FALSE(Memzip::UnCompress(zip.data(), cut, files)) << cut;
    for (size_t at = 0; at < zip.size(); at += 7) {
        std::string flipped = zip;
        flipped[at] = static_cast<char>(flipped[at] ^ 0x5A);
        // Anything may happen to the result but a crash; a damaged entry never shows up as unpacked.
        if (Memzip::UnCompress(flipped.data(), flipped.size(), files)) {
            for (const auto& file : files) EXPECT_TRUE(file.second == entries[0].data || file.second == "see");
        }
    }
    std::string garbage(4096, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919) >> 3);
    EXPECT_FALSE(Memzip::UnCompress(garbage.data(), garbage.size(), files));
    const std::string noEntries = MakeTestZip({});
    EXPECT_FALSE(Memzip::UnCompress(noEntries.data(), noEntries.size(), files));
    EXPECT_FALSE(Memzip::UnCompress(zip.data(), 0, files));

    // Headers that lie about the size, low or high.
    for (int64_t declared : {int64_t(100), int64_t(30000)}) {
        std::vector<ZipTestEntry> liar(1);
        liar[0].name = "liar.txt";
        liar[0].data = std::string(20000, 'l');
        liar[0].declaredSize = declared;
        const std::string lying = MakeTestZip(liar);
        EXPECT_FALSE(Memzip::UnCompress(lying.data(), lying.size(), files)) << declared;
    }

    std::vector<ZipTestEntry> bomb(2);
    bomb[0].name = "small.txt";
    bomb[0].data = "ok";
    bomb[1].name = "bomb.bin";
    bomb[1].data = std::string(1 << 20, '\0');
    const std::string bombZip = MakeTestZip(bomb);
    EXPECT_FALSE(Memzip::UnCompress(bombZip.data(), bombZip.size(), files, false, 64 * 1024));
    EXPECT_TRUE(files.empty());
    EXPECT_TRUE(Memzip::UnCompress(bombZip.data(), bombZip.size(), files, false, 1 << 20));
}
