#include "session/settings.h"

#include "envguard.h"
#include "files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

using namespace orvane;

TEST(Settings, EveryKeyIsDeclaredOnceWithADefaultInItsRange) {
    std::set<std::string> seen;
    for (const TSetting* s : settings::All) {
        std::string name = std::string(s->Section) + "/" + s->Key;
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(seen.insert(name).second) << name << " twice";
        if (s->Type != ESettingType::Text) {
            EXPECT_TRUE(InRange(*s, s->Default)) << name;
        }
    }
}

// What the file holds, read through the table: out of range or no number gives the default.
TEST(Settings, ValuesOutOfRangeGiveTheDefault) {
    TTempFolder temp;
    const std::string file = temp.Path() + "/s.cfg";
    std::ofstream(file) << "[Windows]\nMainMaximized=2\n[Privacy]\nPrivateBrowsing=7\n"
                           "[GnomeShell]\nExtensionOfferDeclined=-3\n[Activities]\nViewMode=260\n";
    TIniFile ini(file);
    EXPECT_FALSE(ReadFlag(ini, settings::MainMaximized)) << "only 1 is maximised";
    EXPECT_TRUE(ReadFlag(ini, settings::PrivateBrowsing)) << "anything but 0 is on";
    EXPECT_TRUE(ReadFlag(ini, settings::GnomeOfferDeclined));
    EXPECT_EQ(ReadInteger(ini, settings::ViewMode), 260) << "the window keeps its low 8 bits";
    EXPECT_EQ(ReadInteger(ini, settings::AwayMinutes), 5);
    EXPECT_EQ(ReadText(ini, settings::Language, "English"), "English");

    WriteFlag(ini, settings::MainMaximized, true);
    WriteText(ini, settings::MachinesFolder, "/shared");
    TIniFile again(file);
    EXPECT_TRUE(ReadFlag(again, settings::MainMaximized));
    EXPECT_EQ(ReadText(again, settings::MachinesFolder), "/shared");
}

TEST(Settings, EnteredNumbersAreWholeAndInRange) {
    const struct {
        const char* Text;
        std::optional<int> Expected;
    } cases[] = {{"12", 12},
                 {" 7 ", 7},
                 {"0", 0},
                 {"1440", 1440},
                 {"1441", std::nullopt},
                 {"-1", std::nullopt},
                 {"", std::nullopt},
                 {"1.5", std::nullopt},
                 {"12a", std::nullopt},
                 {"0x10", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseEntered(settings::AwayMinutes, c.Text), c.Expected) << c.Text;
}
