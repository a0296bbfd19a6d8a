#include "locations/location_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "state/viewer_state.h"
#include "tests/locations/location_test_support.h"

namespace nubivo {
namespace {

using test::TemporaryFolder;
using test::writeBytes;
using Entries = std::vector<std::string>;

class LocationFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetViewerState();
        ASSERT_FALSE(folder.path().empty());
    }

    Entries sortedCountries() {
        Entries names = countryNames(folder.path().c_str());
        std::sort(names.begin(), names.end());
        return names;
    }

    Entries entriesOf(std::string_view bytes) {
        const std::filesystem::path file = folder.path() / "Test.nwv";
        writeBytes(file, bytes);
        return cityEntries(file.c_str());
    }

    TemporaryFolder folder;
};

TEST_F(LocationFilesTest, CountryNamesComeFromFilesUpToTheirFirstDot) {
    writeBytes(folder.path() / "France.nwv", "Paris,Paris FR\n");
    writeBytes(folder.path() / "France.bak", "");
    writeBytes(folder.path() / "Italy.nwv", "");
    writeBytes(folder.path() / "Readme.txt", "");
    writeBytes(folder.path() / "St. Lucia.nwv", "");
    writeBytes(folder.path() / "Chile", "");
    writeBytes(folder.path() / ".hidden.nwv", "");
    std::filesystem::create_directory(folder.path() / "Spain.nwv");
    std::filesystem::create_directory(folder.path() / "Archive");

    EXPECT_EQ(sortedCountries(), (Entries{"Chile", "France", "France", "Italy", "Readme", "St"}));
}

TEST_F(LocationFilesTest, AFolderThatCannotBeReadGivesNoCountries) {
    EXPECT_TRUE(countryNames((folder.path() / "Missing").c_str()).empty());
    writeBytes(folder.path() / "Plain", "");
    EXPECT_TRUE(countryNames((folder.path() / "Plain").c_str()).empty());
    std::filesystem::create_directory(folder.path() / "Empty");
    EXPECT_TRUE(countryNames((folder.path() / "Empty").c_str()).empty());
}

TEST_F(LocationFilesTest, EveryLineFeedEndsAnEntry) {
    struct Case {
        const char* name;
        std::string bytes;
        Entries entries;
    };
    const Case cases[] = {
        {"two lines each ended",
         "Paris,Paris FR\nLyon,Lyon FR\n",
         {"Paris,Paris FR", "Lyon,Lyon FR", ""}},
        {"last line unended", "Paris,Paris FR\nLyon,Lyon FR", {"Paris,Paris FR", "Lyon,Lyon FR"}},
        {"empty file", "", {""}},
        {"blank line", "A,a\n\nB,b", {"A,a", "", "B,b"}},
        {"CR LF line ends", "A,a\r\nB,b\r\n", {"A,a", "B,b", ""}},
        {"lone CR kept", "A\r,a\nB,b\r", {"A\r,a", "B,b\r"}},
        {"CR CR LF keeps one", "A,a\r\r\n", {"A,a\r", ""}},
        {"spaces kept", " A , a \n", {" A , a ", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(entriesOf(c.bytes), c.entries);
    }
}

TEST_F(LocationFilesTest, ALongLineIsCutAndItsRestDropped) {
    const std::string longLine = std::string(300, 'x');
    EXPECT_EQ(entriesOf(longLine + "\nB,b"), (Entries{std::string(255, 'x'), "B,b"}));
    const std::string exact(255, 'y');
    EXPECT_EQ(entriesOf(exact + "\r\n"), (Entries{exact, ""}));
    // A lone CR counts as a character of the line, so it too is cut at the limit.
    EXPECT_EQ(entriesOf(exact + "\rz\n"), (Entries{exact, ""}));
}

TEST_F(LocationFilesTest, AFileThatCannotBeOpenedGivesNoEntries) {
    EXPECT_TRUE(cityEntries((folder.path() / "Missing.nwv").c_str()).empty());
    std::filesystem::create_directory(folder.path() / "Folder.nwv");
    EXPECT_TRUE(cityEntries((folder.path() / "Folder.nwv").c_str()).empty());
}

TEST_F(LocationFilesTest, CityListPathIsRefusedNotCutWhenTooLong) {
    char path[maxPathLength + 1];
    ASSERT_TRUE(cityListPath("/tmp/Countries/", "France", path, sizeof path));
    EXPECT_STREQ(path, "/tmp/Countries/France.nwv");

    // 254 + 1 + 4 characters fit exactly; one more does not, and the buffer is left alone.
    const std::string folderText = "/" + std::string(252, 'd') + "/";
    ASSERT_TRUE(cityListPath(folderText.c_str(), "X", path, sizeof path));
    EXPECT_EQ(std::strlen(path), maxPathLength);
    std::strcpy(path, "untouched");
    EXPECT_FALSE(cityListPath(folderText.c_str(), "XY", path, sizeof path));
    EXPECT_STREQ(path, "untouched");
    char small[10];
    EXPECT_FALSE(cityListPath("/a/", "France", small, sizeof small));
}

}  // namespace
}  // namespace nubivo
