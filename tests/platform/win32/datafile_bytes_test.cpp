// The data file is the same bytes on every platform: the fixture was written on Linux and every
// build compares its own output with it.
//
// To write the fixture anew (only when the file format changes on purpose):
//   ORVANE_WRITE_FIXTURE=1 ./win32_portable_tests --gtest_filter='DataFileBytes.*'
#include "files.h"
#include "recorder/activitylist.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace orvane;

namespace {

const std::string Fixture = std::string(ORVANE_TEST_DATA) + "/windows-list.cdat";

// Values spelled out, not computed, so no library's rounding can differ between platforms.
void FillSample(TActivityList& list) {
    const struct {
        const char* process;
        std::string caption;
        double start, duration;
    } rows[] = {
        {"C:\\Program Files\\Editor\\editor.exe", "Caf\xe9 \x80 notes.txt - Editor",
         39521.395833333336, 0.010416666666666666},
        {"C:\\Windows\\explorer.exe", "", 39521.40625, 0.0},
        {"editor.exe", std::string(300, 'x'), 45000.999988425923, 1.1574074074074073e-05},
        {"C:\\Tools\\a b\\tool.exe", std::string("nul\0inside", 10), 45001.0, 2.5},
    };
    for (const auto& r : rows) {
        list.AppendLoaded(TEntry(r.process, r.caption, r.start));
        list.Items(list.Count() - 1).Duration = r.duration;
    }
}

} // namespace

TEST(DataFileBytes, WrittenFileMatchesTheFixture) {
    TActivityList list;
    FillSample(list);
    const TTempFolder dir;
    const std::string file = dir.Path() + "/list.cdat";
    list.SaveToFile(file);
    const std::string written = ReadFile(file);

    if (std::getenv("ORVANE_WRITE_FIXTURE")) {
        WriteFile(Fixture, written);
        GTEST_SKIP() << "fixture written";
    }
    const std::string expected = ReadFile(Fixture);
    ASSERT_FALSE(expected.empty()) << "missing fixture " << Fixture;
    EXPECT_EQ(written.size(), expected.size());
    EXPECT_TRUE(written == expected) << "the data file differs from the fixture";
}

TEST(DataFileBytes, FixtureLoadsToTheSameList) {
    TActivityList expected, loaded;
    FillSample(expected);
    loaded.LoadFromFile(Fixture);
    ASSERT_EQ(loaded.Count(), expected.Count());
    for (int i = 0; i < expected.Count(); ++i) {
        const std::string p1 = expected[i].Process, p2 = loaded[i].Process;
        const std::string c1 = expected[i].Caption, c2 = loaded[i].Caption;
        EXPECT_EQ(p2, p1) << i;
        EXPECT_EQ(c2, c1) << i;
        EXPECT_EQ(std::memcmp(&expected[i].Start, &loaded[i].Start, 8), 0) << i;
        EXPECT_EQ(std::memcmp(&expected[i].Duration, &loaded[i].Duration, 8), 0) << i;
    }
}
