#include <gtest/gtest.h>

#include "ServiceCommandLine.h"

TEST(ServiceCommandLine, SwitchesMatchWholeWordsAndTheFirstWins) {
    const struct {
        const char* line;
        ServiceSwitch expected;
    } cases[] = {
        {"", ServiceSwitch::kNone},
        {"-RegServer", ServiceSwitch::kRegServer},
        {"/regserver", ServiceSwitch::kRegServer},
        {"-RegServerPerUser", ServiceSwitch::kRegServerPerUser},
        {"/UNREGSERVER", ServiceSwitch::kUnregServer},
        {"-UnregServerPerUser", ServiceSwitch::kUnregServerPerUser},
        {"  /Service  ", ServiceSwitch::kService},
        {"-run", ServiceSwitch::kRun},
        {"Run", ServiceSwitch::kNone},
        {"-RegServerX -Runner", ServiceSwitch::kNone},
        {"C:/dir/Run", ServiceSwitch::kNone},
        {"-x /Service -Run", ServiceSwitch::kService},
        {"-Run\t-Service", ServiceSwitch::kRun},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, ParseServiceSwitch(c.line)) << "\"" << c.line << "\"";
}
