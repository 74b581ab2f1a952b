// The status's exact text and what the page holds.
#include <gtest/gtest.h>
#include <regex>

#include "status_page.h"

namespace {

TEST(StatusPage, StatusJson)
{
    struct {
        StatusFacts facts;
        const char *json;
    } cases[] = {
        {{"\\\\.\\ezusb-0", true, 1234, 2, 12.34, 3456789, "1.2.3"},
         "{\"camera\":\"\\\\\\\\.\\\\ezusb-0\",\"present\":true,\"frames\":1234,\"clients\":2,"
         "\"fps\":12.3,\"uptime\":3.5,\"version\":\"1.2.3\"}\n"},
        {{"a\"b\n\xFF", false, 0, 0, 0.0, 0, ""},
         "{\"camera\":\"a\\\"b\\n\xEF\xBF\xBD\",\"present\":false,\"frames\":0,\"clients\":0,"
         "\"fps\":0.0,\"uptime\":0.0,\"version\":\"\"}\n"},
        {{"x", true, 18446744073709551615u, 16, 29.96, 86400049999, "2"},
         "{\"camera\":\"x\",\"present\":true,\"frames\":18446744073709551615,\"clients\":16,"
         "\"fps\":30.0,\"uptime\":86400.0,\"version\":\"2\"}\n"},
    };
    for (const auto &test : cases)
        EXPECT_EQ(StatusJson(test.facts), test.json);
}

TEST(StatusPage, PageHoldsItselfAndReadsRelativeAddresses)
{
    const std::string &page = PageHtml();
    EXPECT_EQ(page.compare(0, 15, "<!DOCTYPE html>"), 0);
    EXPECT_NE(page.find("<title>kavroserve</title>"), std::string::npos);
    EXPECT_NE(page.find("<img id=\"view\""), std::string::npos);
    EXPECT_NE(page.find("fetch(\"stream\" + tail"), std::string::npos);
    EXPECT_NE(page.find("fetch(\"status\" + tail"), std::string::npos);
    // Nothing from elsewhere, no handler in the markup, one script.
    EXPECT_FALSE(std::regex_search(page, std::regex("(https?:)?//[a-z]|\\son[a-z]+=|src=\"/")));
    EXPECT_EQ(page.find("<script"), page.rfind("<script"));
}

}  // namespace
