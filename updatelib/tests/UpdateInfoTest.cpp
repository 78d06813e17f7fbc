#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "updatelib/UpdateInfo.h"

namespace fs = std::filesystem;

namespace {

class TaskFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("vx-taskfile-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    std::string PathOf(const char* name) const { return (m_dir / name).string(); }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // An empty value removes the variable.
    static void SetTmp(const std::string& value) {
#if defined(_WIN32)
        _putenv_s("TMP", value.c_str());
#else
        if (value.empty())
            unsetenv("TMP");
        else
            setenv("TMP", value.c_str(), 1);
#endif
    }
    // Sets TMP for one test; the folder is removed afterwards, so TMP must not keep naming it.
    struct ScopedTmp {
        explicit ScopedTmp(const std::string& value) {
            const char* old = std::getenv("TMP");
            saved = old ? old : "";
            SetTmp(value);
        }
        ~ScopedTmp() { SetTmp(saved); }
        std::string saved;
    };

    fs::path m_dir;
};

std::string Task(const std::string& infoUrl, const std::string& setupSilent = "1",
                 const std::string& element = "UpdateInfo") {
    return "<" + element + "><CurVersion>1.0.0.1</CurVersion><InfoURL>" + infoUrl +
           "</InfoURL><ClassName2Close>VxMelodisk_Update_Melodisk</ClassName2Close><MessageBoxTitle></MessageBoxTitle>"
           "<bUpdateSilent>1</bUpdateSilent><bSetupSilent>" + setupSilent +
           "</bSetupSilent><bOnlyDownload>0</bOnlyDownload><UserID>u1</UserID><InstallSRC>src</InstallSRC>"
           "<SavePath>C:\\upd\\</SavePath></" + element + ">";
}

std::string Tasks(const std::string& body) { return "<?xml version=\"1.0\" ?><UpdateTasks>" + body + "</UpdateTasks>"; }

TEST_F(TaskFileTest, StoreWritesTheLayoutTheUpdaterReadsBack) {
    UpdateInfoMgr mgr;
    // GBK text ("更新") must pass through byte for byte, markup characters escaped.
    mgr.GetInfos().emplace_back("2.1.0.3", "http://127.0.0.1:8080", "VxMelodisk_Update_Melodisk", "\xB8\xFC\xD0\xC2",
                                true, false, true, "id<&>\"", "src", "C:\\data\\update\\");
    mgr.GetInfos().emplace_back("6.0.1.3", "https://h/x", "VxMelodisk_Update_Playdeck", "", false, true, false, "",
                                "", "");
    std::string path = PathOf("tasks.xml");
    ASSERT_TRUE(mgr.Store(path, false));
    EXPECT_EQ(PathOf("tasks.xml"), path);

    std::string text = Read(path);
    EXPECT_EQ(0u, text.find("<?xml version=\"1.0\" ?>")) << text;
    EXPECT_EQ(std::string::npos, text.find("encoding"));
    EXPECT_EQ(std::string::npos, text.find("standalone"));
    const char* order[] = {"<UpdateTasks>", "<UpdateInfo>", "<CurVersion>2.1.0.3<", "<InfoURL>", "<ClassName2Close>",
                           "<MessageBoxTitle>", "<bUpdateSilent>1<", "<bSetupSilent>0<", "<bOnlyDownload>1<",
                           "<UserID>", "<InstallSRC>", "<SavePath>", "</UpdateInfo>", "<UpdateInfo>",
                           "<bUpdateSilent>0<", "<bSetupSilent>1<", "<bOnlyDownload>0<"};
    size_t at = 0;
    for (const char* piece : order) {
        size_t found = text.find(piece, at);
        ASSERT_NE(std::string::npos, found) << piece << " after " << at << " in " << text;
        at = found + 1;
    }

    UpdateInfoMgr loaded;
    ASSERT_TRUE(loaded.Load(path, false));
    ASSERT_EQ(2u, loaded.GetInfos().size());
    const UpdateInfo& a = loaded.GetInfos()[0];
    EXPECT_EQ("2.1.0.3", a.GetCurVersion());
    EXPECT_EQ("http://127.0.0.1:8080", a.GetInfoUrl());
    EXPECT_EQ("VxMelodisk_Update_Melodisk", a.GetClassNameA());
    EXPECT_EQ("\xB8\xFC\xD0\xC2", a.GetMsgBoxTitle());
    EXPECT_TRUE(a.IsUpdateSilent());
    EXPECT_FALSE(a.IsSetupSilent());
    EXPECT_TRUE(a.IsOnlyDownload());
    EXPECT_EQ("id<&>\"", a.GetUserID());
    EXPECT_EQ("C:\\data\\update\\", a.GetSavePath());
    const UpdateInfo& b = loaded.GetInfos()[1];
    EXPECT_EQ("VxMelodisk_Update_Playdeck", b.GetClassNameA());
    EXPECT_EQ("", b.GetMsgBoxTitle());
    EXPECT_TRUE(b.IsSetupSilent());
    EXPECT_FALSE(b.IsOnlyDownload());
    EXPECT_TRUE(fs::exists(path));

    // A path that cannot be opened fails without the generated fallback.
    std::string bad = PathOf("missing-folder/tasks.xml");
    EXPECT_FALSE(mgr.Store(bad, false));
    EXPECT_EQ(PathOf("missing-folder/tasks.xml"), bad);
}

TEST_F(TaskFileTest, StoreFallsBackToTmpAndHandsThePathBack) {
    std::string tmp = m_dir.string();
    ScopedTmp scopedTmp(tmp);
    UpdateInfoMgr mgr;
    mgr.GetInfos().emplace_back("1", "http://h", "C_Melodisk", "", true, true, true, "", "", "");
    std::string path;
    ASSERT_TRUE(mgr.Store(path, true));
    ASSERT_EQ(0u, path.find(tmp + "\\Update")) << path;
    EXPECT_EQ(".xml", path.substr(path.size() - 4));
    std::string digits = path.substr(tmp.size() + 7, path.size() - tmp.size() - 11);
    EXPECT_FALSE(digits.empty());
    EXPECT_EQ(std::string::npos, digits.find_first_not_of("-0123456789")) << digits;

    UpdateInfoMgr loaded;
    EXPECT_TRUE(loaded.Load(path, true));
    EXPECT_EQ(1u, loaded.GetInfos().size());
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(TaskFileTest, LoadTakesOnlyRecordsWithAUrlAndReadsFlagsByTheirLeadingNumber) {
    std::string path = PathOf("tasks.xml");
    Write(path, Tasks(Task("") + Task("not a url") + Task("http://a/", "2") + Task("ftp://b/", "0") +
                      Task("http://c/", "no") + Task("http://d/", " 7x") + Task("http://e/", "-1") +
                      Task("http://f/", "99999999999999999999") + Task("http://g/", "1", "Other")));
    UpdateInfoMgr mgr;
    ASSERT_TRUE(mgr.Load(path, false));
    const auto& infos = mgr.GetInfos();
    ASSERT_EQ(7u, infos.size());
    const char* urls[] = {"http://a/", "ftp://b/", "http://c/", "http://d/", "http://e/", "http://f/", "http://g/"};
    const bool setup[] = {true, false, false, true, false, true, true};
    for (size_t i = 0; i < infos.size(); ++i) {
        EXPECT_EQ(urls[i], infos[i].GetInfoUrl());
        EXPECT_EQ(setup[i], infos[i].IsSetupSilent()) << urls[i];
        EXPECT_TRUE(infos[i].IsUpdateSilent());
        EXPECT_FALSE(infos[i].IsOnlyDownload());
    }
    EXPECT_TRUE(fs::exists(path));

    // Elements before the first "UpdateInfo" are not tasks; a record lacking children reads empty.
    Write(path, Tasks(Task("http://skipped/", "1", "Before") + "<UpdateInfo><InfoURL>http://x/</InfoURL></UpdateInfo>"));
    ASSERT_TRUE(mgr.Load(path, false));
    ASSERT_EQ(1u, mgr.GetInfos().size());
    EXPECT_EQ("http://x/", mgr.GetInfos()[0].GetInfoUrl());
    EXPECT_EQ("", mgr.GetInfos()[0].GetClassNameA());
    EXPECT_FALSE(mgr.GetInfos()[0].IsSetupSilent());

    // Two records, the first without an address: one task.
    Write(path, Tasks(Task("") + Task("http://only/")));
    ASSERT_TRUE(mgr.Load(path, false));
    ASSERT_EQ(1u, mgr.GetInfos().size());
    EXPECT_EQ("http://only/", mgr.GetInfos()[0].GetInfoUrl());
}

TEST_F(TaskFileTest, LoadDeletesWhenAskedAndFailsOnBadFiles) {
    std::string path = PathOf("novalid.xml");
    Write(path, Tasks(Task("") + Task("relative/path")));
    UpdateInfoMgr mgr;
    EXPECT_FALSE(mgr.Load(path, false));
    EXPECT_TRUE(fs::exists(path));
    EXPECT_FALSE(mgr.Load(path, true));
    EXPECT_FALSE(fs::exists(path));

    std::string deep;
    for (int i = 0; i < 20000; ++i) deep += "<a>";
    const std::string bad[] = {"", "<UpdateTasks><UpdateInfo>", "not xml at all", Tasks(Task("http://a/")).substr(0, 80),
                               "<?xml version=\"1.0\" ?>" + deep};
    for (const std::string& text : bad) {
        mgr.GetInfos().emplace_back();
        Write(path, text);
        EXPECT_FALSE(mgr.Load(path, true)) << text.substr(0, 60);
        EXPECT_TRUE(mgr.GetInfos().empty());
    }
    EXPECT_FALSE(mgr.Load(PathOf("never-written.xml"), true));
    EXPECT_FALSE(mgr.Load("", false));
    // A file of another root parses: it is deleted when asked, and holds no task.
    Write(path, "<Other>" + Task("http://a/") + "</Other>");
    EXPECT_FALSE(mgr.Load(path, true));
    EXPECT_FALSE(fs::exists(path));
}

TEST(DownLoadInfoTest, ReadsTheServerAnswer) {
    DownLoadInfo info;
    info.SetFileName("keep.exe");
    ASSERT_TRUE(info.Load("<VxUpdate><NeedToBeUpdated>YeS</NeedToBeUpdated><Version>2.0.1.0</Version>"
                          "<Location>http://dl/pkg</Location></VxUpdate>"));
    EXPECT_TRUE(info.IsNeedToBeUpdated());
    EXPECT_EQ("2.0.1.0", info.GetLatestVersion());
    EXPECT_EQ("http://dl/pkg", info.GetLocation());
    EXPECT_EQ("keep.exe", info.GetFileName());

    ASSERT_TRUE(info.Load("<VxUpdate><NeedToBeUpdated>yes please</NeedToBeUpdated></VxUpdate>"));
    EXPECT_FALSE(info.IsNeedToBeUpdated());
    EXPECT_EQ("", info.GetLatestVersion());

    DownLoadInfo other("<VxUpdate><NeedToBeUpdated>yes</NeedToBeUpdated><Version>3</Version></VxUpdate>");
    EXPECT_TRUE(other.IsNeedToBeUpdated());
    // Another root parses but changes nothing; broken text fails.
    EXPECT_TRUE(other.Load("<Other><Version>9</Version></Other>"));
    EXPECT_EQ("3", other.GetLatestVersion());
    EXPECT_FALSE(other.Load("<VxUpdate><Version>9</Vers"));
    EXPECT_FALSE(other.Load(""));
    EXPECT_EQ("3", other.GetLatestVersion());
}

}  // namespace
