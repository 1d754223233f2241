// File names outside the system's code page: a folder and a record named in Cyrillic, CJK and
// German letters, which no single ANSI code page holds. On Windows every call must take the name
// as UTF-16 for these to work; on Linux they are plain UTF-8 bytes.
#include "files.h"
#include "platform/atomicfile.h"
#include "platform/filepath.h"
#include "recorder/activitylist.h"
#include "recorder/datafile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

const std::string Name =
    "J\xC3\xBCrgen \xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 \xE5\xA0\xB1"; // Jürgen Отчёт 報

std::string NewFolder() {
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    return PathText(fs::temp_directory_path()) + "/orvane-" + Name + "-" + std::to_string(tick);
}

TEntry Entry(const char* caption, double start) {
    TEntry e("C:\\Programme\\editor.exe", caption, start);
    e.Duration = 0.001;
    return e;
}

} // namespace

TEST(FileNames, ARecordOutsideTheCodePageIsSavedLoadedAndMovedAside) {
    const std::string top = NewFolder();
    const std::string folder = top + "/" + Name;
    ASSERT_TRUE(CreateFolderPath(folder));
    EXPECT_TRUE(fs::is_directory(PathOf(folder)));
    EXPECT_EQ(PathText(PathOf(folder)), folder);

    const std::string file = folder + "/" + Name + ".cdat";
    // A temporary file of a save that never finished, by a process long gone.
    const std::string stale = file + ".99999999.tmp";
    std::ofstream(PathOf(stale)) << "x";
    ASSERT_TRUE(fs::exists(PathOf(stale)));

    TActivityList list;
    list.AppendLoaded(Entry("first", 45000.5));
    list.SaveToFile(file);
    EXPECT_FALSE(fs::exists(PathOf(stale))) << "the stale temporary file stays";
    list.AppendLoaded(Entry("second", 45000.6));
    list.SaveToFile(file); // in place this time

    TActivityList loaded;
    const TLoadResult result = loaded.LoadFromFile(file);
    EXPECT_TRUE(result.Whole);
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.Items(1).Caption, "second");
    EXPECT_EQ(SaveTarget(file), file);

    const std::string moved = MoveAside(file, 45001.0);
    ASSERT_FALSE(moved.empty());
    EXPECT_EQ(moved.compare(0, file.size(), file), 0) << moved;
    EXPECT_TRUE(fs::exists(PathOf(moved)));
    EXPECT_FALSE(fs::exists(PathOf(file)));
    EXPECT_TRUE(RemoveFile(moved));
    EXPECT_FALSE(fs::exists(PathOf(moved)));

    TActivityList missing;
    try {
        missing.LoadFromFile(file);
        FAIL() << "a missing file loads";
    } catch (const EFileError& e) {
        // The message names the file as it was given.
        EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    }
    fs::remove_all(PathOf(top));
}

// The tests' own file helpers take such names too, and keep every byte (no line ends changed).
TEST(FileNames, TheTestHelpersWriteAndReadByTheSameName) {
    const TTempFolder temp;
    const std::string file = temp.Path() + "/" + Name + "/" + Name + ".txt";
    const std::string bytes("a\r\nb\nc\x1A\0d\xFF", 11);
    ASSERT_TRUE(WriteFile(file, bytes));
    EXPECT_TRUE(fs::exists(PathOf(file)));
    EXPECT_EQ(ReadFile(file), bytes);
    EXPECT_EQ(ReadFile(temp / PathOfUtf8(Name) / PathOfUtf8(Name + ".txt")), bytes);
    EXPECT_EQ(Utf8(PathOfUtf8(file)), file);
    EXPECT_EQ(Le32(-2), std::string("\xFE\xFF\xFF\xFF", 4));
}
