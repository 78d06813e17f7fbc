#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "ExpectedSingerLists.h"
#include "HandlerRules.h"
#include "SingerLists.h"
#include "vxlib/Dir.h"
#include "vxlib/Xml.h"

namespace {

std::string TempDir(const char* tag) {
    std::string dir = testing::TempDir() + "vx-singerlists-" + tag + "/";
    Dir::RemoveFile(dir + "singer.pl");
#if defined(_WIN32)
    Dir::MakeDir(dir);
#else
    std::string command = "mkdir -p '" + dir + "'";
    EXPECT_EQ(0, std::system(command.c_str()));
#endif
    return dir;
}


}  // namespace

TEST(SingerLists, SingersLandInTheirCategoryAndLetterFiles) {
    const std::string dir = TempDir("full");
    Xml::XmlNode singers("pl");
    struct Singer {
        const char* id;
        const char* dis;
        const char* sex;
        const char* init;
        bool hasImage;
        std::vector<std::string> files;
    };
    const Singer table[] = {
        {"1", "港台", "女", "Zhou", true, {"gangtainv.pl", "z.pl"}},
        {"2", "大陆", "组合", "b", true, {"daluzuhe.pl", "b.pl"}},
        {"3", "欧美", "男", "M", true, {"m.pl"}},  // a district without a file of its own
        {"4", "港台", "男", "", true, {"gangtainan.pl", "other.pl"}},
        {"5", "大陆", "女", "3", true, {"dalunv.pl", "other.pl"}},
        {"6", "女", "港台", "周", true, {"other.pl"}},  // the key is the district, then the sex
        {"7", "大陆", "男", "a", false, {"dalunan.pl", "a.pl"}},
    };
    for (const Singer& s : table) {
        Xml::XmlNode child = singers.AppendChild("pl");
        // Attributes in another order than the lists': the lists put them in their own.
        child.SetAttr("c", "1");
        child.SetAttr("init", s.init);
        child.SetAttr("dis", s.dis);
        child.SetAttr("sex", s.sex);
        if (s.hasImage) child.SetAttr("img", std::string("s") + s.id + ".jpg");
        child.SetAttr("rank", "9");
        child.SetAttr("t", "6");
        child.SetAttr("n", std::string("singer") + s.id);
        child.SetAttr("id", s.id);
        child.SetAttr("extra", "dropped");
    }
    ASSERT_TRUE(singers.SaveFile(dir + "singer.pl"));

    std::vector<std::string> written;
    EXPECT_EQ(SingerLists::kBuilt, SingerLists::Build(dir, written));
    EXPECT_EQ(ExpectedSingerListNames(), written);

    std::map<std::string, std::vector<std::string>> ids;
    for (const std::string& name : written) {
        Xml::XmlNode list;
        ASSERT_TRUE(list.LoadFile(dir + name)) << name;
        for (auto it = list.ChildBegin(); it != list.ChildEnd(); ++it) ids[name].push_back(it->GetAttr("id"));
    }
    for (const Singer& s : table) {
        for (const std::string& file : s.files) {
            const std::vector<std::string>& in = ids[file];
            EXPECT_NE(in.end(), std::find(in.begin(), in.end(), s.id)) << "singer " << s.id << " missing in " << file;
        }
    }
    size_t placed = 0;
    for (const auto& entry : ids) placed += entry.second.size();
    size_t expected = 0;
    for (const Singer& s : table) expected += s.files.size();
    EXPECT_EQ(expected, placed) << "a singer landed where it does not belong";

    Xml::XmlNode gangtainv;
    ASSERT_TRUE(gangtainv.LoadFile(dir + "gangtainv.pl"));
    EXPECT_EQ(
        "<pl t=\"8\" n=\"gangtainv\" sn=\"港台女歌手\"><pl id=\"1\" n=\"singer1\" t=\"6\" img=\"s1.jpg\" "
        "sex=\"女\" dis=\"港台\" rank=\"9\" init=\"Zhou\" c=\"1\" /></pl>",
        gangtainv.ToString());
    Xml::XmlNode a;
    ASSERT_TRUE(a.LoadFile(dir + "a.pl"));
    EXPECT_EQ(
        "<pl t=\"1\" n=\"a\" sn=\"A\"><pl id=\"7\" n=\"singer7\" t=\"6\" img=\"\" sex=\"男\" dis=\"大陆\" "
        "rank=\"9\" init=\"a\" c=\"1\" /></pl>",
        a.ToString())
        << "a missing attribute is written empty";
    Xml::XmlNode other;
    ASSERT_TRUE(other.LoadFile(dir + "other.pl"));
    EXPECT_EQ("other", other.GetAttr("n"));
    EXPECT_EQ("#", other.GetAttr("sn"));
}

TEST(SingerLists, WithoutSingersOnlyRootsAndDamagedSingersWriteNothing) {
    const std::string dir = TempDir("empty");
    std::vector<std::string> written;
    EXPECT_EQ(SingerLists::kNoSingerFile, SingerLists::Build(dir, written));
    EXPECT_EQ(ExpectedSingerListNames(), written);
    Xml::XmlNode dalunan;
    ASSERT_TRUE(dalunan.LoadFile(dir + "dalunan.pl"));
    EXPECT_EQ("<pl t=\"8\" n=\"dalunan\" sn=\"大陆男歌手\" />", dalunan.ToString());

    const std::string damaged = TempDir("damaged");
    ASSERT_TRUE(Dir::WriteWholeFile(damaged + "singer.pl", "<pl><pl id=\"1\""));
    written.clear();
    EXPECT_EQ(SingerLists::kUnreadableSingers, SingerLists::Build(damaged, written));
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(nullptr, Dir::OpenFile(damaged + "a.pl", "rb"));
}

TEST(HandlerRules, ModuleCallsExeNamesAndCommandLines) {
    struct Call {
        const char* text;
        bool parsed;
        const char* module;
        const char* function;
        bool hasArgument;
        const char* argument;
    };
    const Call calls[] = {
        {"", false, "", "", false, ""},
        {"mod.dll", false, "", "", false, ""},
        {"mod.dll|Run", true, "mod.dll", "Run", false, ""},
        {"mod.dll|Run|", true, "mod.dll", "Run", true, ""},
        {"mod.dll|Run|arg text", true, "mod.dll", "Run", true, "arg text"},
        {"mod.dll|Run|a|b||c", true, "mod.dll", "Run", true, "a|b||c"},
        {"|Run", true, "", "Run", false, ""},
        {"C:\\x y\\m.dll||", true, "C:\\x y\\m.dll", "", true, ""},
    };
    for (const Call& c : calls) {
        HandlerRules::ModuleCall call;
        EXPECT_EQ(c.parsed, HandlerRules::ParseModuleCall(c.text, call)) << c.text;
        EXPECT_EQ(c.module, call.module) << c.text;
        EXPECT_EQ(c.function, call.function) << c.text;
        EXPECT_EQ(c.hasArgument, call.hasArgument) << c.text;
        EXPECT_EQ(c.argument, call.argument) << c.text;
    }

    const std::pair<const char*, bool> names[] = {
        {"notepad.exe", true},
        {"VxMelodisk.exe", true},
        {"播放器.exe", true},
        {"a-b_c.1.exe", true},
        {"", false},
        {"a.exe & calc.exe", false},
        {"a.exe&calc.exe", false},
        {"a.exe|calc.exe", false},
        {"a.exe /T", false},
        {"/T", false},
        {"\"a.exe\"", false},
        {"'a.exe'", false},
        {"a.exe\tb", false},
        {"a.exe\r\nb", false},
        {"a<b", false},
        {"a>b", false},
        {"a^&b", false},
        {"C:\\a.exe", false},
        {"x/a.exe", false},
        {"a.exe\x7f", false},
        {"*", false},
        {"vx?.exe", false},
    };
    for (const auto& n : names) EXPECT_EQ(n.second, HandlerRules::IsPlainExeName(n.first)) << n.first;

    EXPECT_EQ("abc", HandlerRules::DataText({'a', 'b', 'c'}));
    EXPECT_EQ("a.exe", HandlerRules::DataText({'a', '.', 'e', 'x', 'e', '\0', '&', 'x'}));
    EXPECT_EQ("", HandlerRules::DataText({}));

    EXPECT_EQ("\"C:\\P F\\VxMelodisk.exe\"", HandlerRules::MainProgramCommandLine("C:\\P F\\VxMelodisk.exe", ""));
    EXPECT_EQ("\"C:\\P\\VxMelodisk.exe\" /from x",
              HandlerRules::MainProgramCommandLine("C:\\P\\VxMelodisk.exe", "/from x"));
}

TEST(HandlerRules, RefreshedTodayComparesDayAndMonthOnly) {
    const Time::DateTime now = Time::DateTime::FromLocal(2024, 5, 7, 10, 0, 0);
    auto stored = [](int y, int m, int d, int h) {
        return static_cast<uint32_t>(Time::DateTime::FromLocal(y, m, d, h).GetSeconds());
    };
    EXPECT_TRUE(HandlerRules::RefreshedToday(stored(2024, 5, 7, 0), now));
    EXPECT_TRUE(HandlerRules::RefreshedToday(stored(2024, 5, 7, 23), now));
    EXPECT_TRUE(HandlerRules::RefreshedToday(stored(2023, 5, 7, 9), now)) << "a year later counts as today";
    EXPECT_FALSE(HandlerRules::RefreshedToday(stored(2024, 5, 6, 23), now));
    EXPECT_FALSE(HandlerRules::RefreshedToday(stored(2024, 4, 7, 10), now));
    EXPECT_FALSE(HandlerRules::RefreshedToday(0, now));
}
