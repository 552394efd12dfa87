#include "output/read_messages.h"

#include <gtest/gtest.h>

namespace pm {
namespace {

TEST(ReadMessages, RecordListsRunsOfThreeOrMore) {
    struct Case {
        std::vector<int> records;
        const char* text;
    };
    const Case cases[] = {
        {{}, ""},
        {{7}, "7"},
        {{7, 8}, "7, 8"},
        {{7, 8, 9}, "7-9"},
        {{1, 3, 4, 5, 9, 10, 10000}, "1, 3-5, 9, 10, 10000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(recordListText(c.records), c.text);
    }
}

TEST(ReadMessages, AVeryLongListIsCutAtANumber) {
    std::vector<int> everyOther;
    for (int n = 1; n <= 10'000; n += 2) {
        everyOther.push_back(n);
    }
    const std::string message = missingRecordsMessage(everyOther);
    EXPECT_NE(message.find("5000"), std::string::npos);  // the count is there
    EXPECT_NE(message.find("1, 3, 5, "), std::string::npos);
    EXPECT_NE(message.find(", …"), std::string::npos);
    EXPECT_LT(message.size(), 500u);
}

}  // namespace
}  // namespace pm
