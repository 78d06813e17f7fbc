#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "vxlib/Xml.h"

using Xml::XmlNode;

namespace {

std::string TestFile(const std::string& name) {
    return std::string(VX_BINARY_DIR) + "/" + name;
}

std::string Repeat(const std::string& part, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += part;
    return out;
}

// GBK text whose trail bytes include '\', '|', '@' and '`' ("中文歌曲" and friends).
const std::string kGbk = "\xD6\xD0\xCE\xC4\xB8\xE8\xC7\xFA \x95\x5C\x81\x7C\x81\x40\x81\x60 <&\"'>";

}  // namespace

TEST(Xml, MalformedOrTooDeepTextFailsWithoutCrashing) {
    const std::string deep = Repeat("<a>", 100000) + Repeat("</a>", 100000);
    const std::string deepSelfClosed = Repeat("<a x='1'>", 300) + "<b/>" + Repeat("</a>", 300);
    const std::string deepUnclosed = Repeat("<a>", 100000);
    struct Case {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"blank", "  \r\n\t "},
        {"truncated", "<pl n=\"a\"><so n=\"b\"/><so"},
        {"truncated attribute", "<pl n=\"abc"},
        {"unclosed root", "<pl><so/>"},
        {"mismatched tags", "<pl><so></pl></so>"},
        {"garbage", "\x01\x02 this is not xml \xFF\xFE"},
        {"text only", "hello"},
        {"declaration only", "<?xml version=\"1.0\"?>"},
        {"comment only", "<!-- nothing -->"},
        {"deep nesting", deep},
        {"deep nesting unclosed", deepUnclosed},
        {"deep nesting with attributes", deepSelfClosed},
        {"embedded null", std::string("<pl>\0</pl>", 10)},
        {"bad entity garbage", "<pl a=\"&#xFFFFFFFFFFFF;\"><</pl>"},
    };
    for (const Case& c : cases) {
        XmlNode node("pl");
        EXPECT_FALSE(node.LoadStringA(c.text)) << c.what;
        EXPECT_FALSE(node.IsValid()) << c.what;
        EXPECT_FALSE(node.LastError().empty()) << c.what;
        EXPECT_EQ("", node.ToString()) << c.what;
        EXPECT_EQ(0u, node.ChildCount()) << c.what;
    }

    // Right at the limit still loads; the quoted '>' and "</" inside attributes are no tags.
    XmlNode limit("pl");
    std::string atLimit = Repeat("<a v=\"</a>\">", XmlNode::kMaxDepth) + Repeat("</a>", XmlNode::kMaxDepth);
    EXPECT_TRUE(limit.LoadStringA(atLimit)) << limit.LastError();
    XmlNode over("pl");
    std::string overLimit = "<!-- <a><a> -->" + Repeat("<a>", XmlNode::kMaxDepth + 1) +
                            Repeat("</a>", XmlNode::kMaxDepth + 1);
    EXPECT_FALSE(over.LoadStringA(overLimit));

    // A missing file fails the same way.
    XmlNode missing("pl");
    EXPECT_FALSE(missing.LoadFile(TestFile("no-such-dir/none.xml")));
    EXPECT_FALSE(missing.IsValid());
}

TEST(Xml, GbkAttributesAndTextRoundTripThroughFileAndString) {
    XmlNode root("pl");
    root.SetAttr("n", kGbk);
    root.SetAttrNum("si", 4294967295LL);
    XmlNode so = root.AppendChild("so");
    so.SetAttr("ar", kGbk);
    so.SetText(kGbk);
    root.AppendChild("so").SetAttr("n", "second");

    XmlNode fromString("x");
    ASSERT_TRUE(fromString.LoadStringA(root.ToString())) << fromString.LastError();
    EXPECT_EQ(root.ToString(), fromString.ToString());
    EXPECT_EQ(kGbk, fromString.GetAttr("n"));
    EXPECT_EQ(4294967295LL, fromString.GetAttrNum("si"));
    EXPECT_EQ(kGbk, fromString.GetChild("so").GetAttr("ar"));

    // "中文.xml": the name is GBK, opened through the wide API on Windows.
    const std::string path = TestFile("\xD6\xD0\xCE\xC4.xml");
    std::remove(path.c_str());
    ASSERT_TRUE(root.SaveFile(path));
#ifdef _WIN32
    FILE* wide = _wfopen((std::wstring(VX_BINARY_DIR L"/") + L"\u4e2d\u6587.xml").c_str(), L"rb");
    ASSERT_NE(nullptr, wide);
    std::fclose(wide);
#endif
    XmlNode fromFile("x");
    ASSERT_TRUE(fromFile.LoadFile(path)) << fromFile.LastError();
    EXPECT_EQ("pl", fromFile.GetName());
    EXPECT_EQ(root.ToString(), fromFile.ToString());
    std::vector<std::string> names;
    for (XmlNode::iterator it = fromFile.ChildBegin(); it != fromFile.ChildEnd(); ++it) {
        names.push_back(it->GetName() + ":" + it->GetAttr("n", "-"));
    }
    EXPECT_EQ((std::vector<std::string>{"so:-", "so:second"}), names);
    EXPECT_EQ(kGbk, fromFile.GetChild("so").GetText());
    std::remove(path.c_str());

    // Documents from other writers: declared GBK, or no declaration at all.
    XmlNode declared("x");
    ASSERT_TRUE(declared.LoadStringA("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<pl sn=\"\xC8\xC8\xC3\xC5\"/>"));
    EXPECT_EQ("\xC8\xC8\xC3\xC5", declared.GetAttr("sn"));
    XmlNode bare("x");
    ASSERT_TRUE(bare.LoadStringA("<pl sn='\xC8\xC8\xC3\xC5'><!-- c --><so/></pl>"));
    EXPECT_EQ("\xC8\xC8\xC3\xC5", bare.GetAttr("sn"));
    EXPECT_EQ(1u, bare.ChildCount());
}

TEST(Xml, HandlesShareTheDocumentAndCopiesAreDeep) {
    XmlNode child;
    {
        XmlNode root("pl");
        child = root.AppendChild("so");
        child.SetAttr("id", "100");
    }
    // The document outlives the root handle.
    EXPECT_EQ("<so id=\"100\" />", child.ToString());

    XmlNode other("pl");
    XmlNode copy = other.AppendChild(child);
    copy.SetAttr("id", "101");
    EXPECT_EQ("100", child.GetAttr("id"));
    EXPECT_FALSE(copy.SameElement(child));

    XmlNode removed = other.AppendChild("gone");
    EXPECT_FALSE(other.RemoveChild(child));   // not a child of `other`
    EXPECT_TRUE(other.RemoveChild(removed));
    EXPECT_EQ("<pl><so id=\"101\" /></pl>", other.ToString());
    EXPECT_FALSE(other.GetChild("gone").IsValid());

    XmlNode invalid;
    EXPECT_FALSE(invalid.AppendChild("so").IsValid());
    EXPECT_FALSE(invalid.SaveFile(TestFile("invalid.xml")));
    EXPECT_TRUE(invalid.ChildBegin() == invalid.ChildEnd());
}
