#include <gtest/gtest.h>

#include "ScriptBridge.h"

TEST(ScriptBridge, NotifyTextsParseWhateverTheirCaseAndShape) {
    struct Case {
        const char* text;
        bool itemAct;  // ParseItemAct accepts it
        int act;
        std::vector<std::string> ids;
        std::vector<int> extra;
    };
    const Case cases[] = {
        {"itemact?act=doubleClick&param=12|34", true, scriptBridge::kActDoubleClick, {"12", "34"}, {}},
        {"ItemAct?Act=DoubleClick&Param=12&Arg=3|x|-1", true, scriptBridge::kActDoubleClick, {"12"}, {3, -1}},
        {"ITEMACT?ACT=SELECT&PARAM=", true, scriptBridge::kActSelect, {}, {}},
        {"itemact?act=RightClick&param=||7||", true, scriptBridge::kActRightClick, {"7"}, {}},
        {"itemact?act=hover&param=7", true, scriptBridge::kActOther, {"7"}, {}},
        {"itemact?param=7&act=select&act=doubleclick", true, scriptBridge::kActDoubleClick, {"7"}, {}},
        {"itemact?act=select", false, 0, {}, {}},
        {"itemact?param=1", false, 0, {}, {}},
        {"itemact", false, 0, {}, {}},
        {"itemact?act&param", true, scriptBridge::kActOther, {}, {}},
        {"itemact?act=select&param=1&arg=99999999999", true, scriptBridge::kActSelect, {"1"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const scriptBridge::NotifyCommand command = scriptBridge::ParseNotify(c.text);
        EXPECT_EQ("itemact", command.command);
        scriptBridge::ItemAct act;
        ASSERT_EQ(c.itemAct, scriptBridge::ParseItemAct(command, act));
        if (!c.itemAct) continue;
        EXPECT_EQ(c.act, act.act);
        EXPECT_EQ(c.ids, act.ids);
        EXPECT_EQ(c.extra, act.extra);
    }
    EXPECT_EQ("statusok", scriptBridge::ParseNotify("StatusOK").command);
    EXPECT_EQ("", scriptBridge::ParseNotify("?a=b").command);
    EXPECT_EQ("", scriptBridge::ParseNotify("").command);
    // A GBK trail byte that looks like a capital letter is left alone.
    EXPECT_EQ("x?k=\xB0\x41", scriptBridge::ParseNotify("X?K=\xB0\x41").command + "?k=" +
                                      scriptBridge::ParseNotify("X?K=\xB0\x41").params.at("k"));
    EXPECT_EQ((std::vector<unsigned>{0u, 12u, 4294967295u}),
              scriptBridge::NumericIds({"0", "12", "4294967295", "4294967296", "-1", "1a", "", "99999999999"}));
}

TEST(ScriptCallQueue, CallsWaitForReadyAndTheNextPageDropsThem) {
    CScriptCallQueue queue;
    CScriptCallQueue::Call first{L"_addItems", {L"a"}, 0}, second{L"_addItems", {L"b"}, 0};
    queue.Navigated();  // Loading page
    EXPECT_FALSE(queue.Add(first));
    queue.Navigated();  // album page: what Loading never took is gone
    EXPECT_EQ(0u, queue.Pending());
    EXPECT_FALSE(queue.Add(first));
    EXPECT_FALSE(queue.Add(second));
    EXPECT_EQ(queue.Sequence(), first.stamp);
    const std::vector<CScriptCallQueue::Call> due = queue.MarkReady();
    ASSERT_EQ(2u, due.size());
    EXPECT_EQ(L"a", due[0].arguments[0]);
    EXPECT_EQ(L"b", due[1].arguments[0]);
    EXPECT_TRUE(queue.Add(first));  // ready: runs at once
    EXPECT_EQ(0u, queue.Pending());

    while (queue.Sequence() != CScriptCallQueue::kSequenceWrap) queue.Navigated();
    queue.Navigated();
    EXPECT_EQ(0, queue.Sequence());
    EXPECT_FALSE(queue.Ready());
}
