#include "hosts/core/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nubivo {
namespace {

TEST(CommandLineTest, NumbersOnTheCommandLine) {
    int port = 0;
    EXPECT_TRUE(host::parsePort("8642", &port));
    EXPECT_EQ(port, 8642);
    for (const char* bad : {"", "0", "65536", "80x", "-1", " 80", "99999999999999999999"})
        EXPECT_FALSE(host::parsePort(bad, &port)) << bad;
    int64_t seconds = 0;
    EXPECT_TRUE(host::parseSeconds("900", &seconds));
    EXPECT_EQ(seconds, 900);
    for (const char* bad : {"", "0", "-5", "+5", "1.5", "9999999999"})
        EXPECT_FALSE(host::parseSeconds(bad, &seconds)) << bad;
}

TEST(CommandLineTest, OptionValuesInBothSpellings) {
    std::vector<std::string> words = {"host", "--port", "80", "--port=81", "--portal", "--port"};
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    const int argc = static_cast<int>(argv.size());
    bool missing = false;
    int i = 1;
    EXPECT_STREQ(host::optionValue(argc, argv.data(), &i, "--port", &missing), "80");
    EXPECT_EQ(i, 2);
    i = 3;
    EXPECT_STREQ(host::optionValue(argc, argv.data(), &i, "--port", &missing), "81");
    i = 4;
    EXPECT_EQ(host::optionValue(argc, argv.data(), &i, "--port", &missing), nullptr);
    EXPECT_FALSE(missing);
    i = 5;
    EXPECT_EQ(host::optionValue(argc, argv.data(), &i, "--port", &missing), nullptr);
    EXPECT_TRUE(missing);
}

}  // namespace
}  // namespace nubivo
