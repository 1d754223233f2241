// The program's built-in message texts with their identifiers, written down once. The windows
// start from them and read each again by identifier from the language files; the translators'
// build records them through those same reads. \r\n is a line break. A window whose texts no
// other window uses keeps its own table of the same kind beside it (the about window, the GNOME
// Shell offer).
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace orvane {

// One built-in text.
template <class EKey> struct TTextEntry {
    EKey Key;
    std::string_view Section; // the window that asks for it: its section of the language file
    std::string_view Id;
    bool Common; // looked up in the common language file
    std::string_view Text;
};

// Every key once, at its own place: a table is indexed by its keys.
template <class EKey, std::size_t N> constexpr bool InKeyOrder(const TTextEntry<EKey> (&table)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        if (static_cast<std::size_t>(table[i].Key) != i) return false;
    return true;
}

// The current texts of a table: the built-in ones until a language file replaces them.
template <class EKey, std::size_t N, const TTextEntry<EKey> (&Table)[N]> class TTexts {
public:
    TTexts() {
        for (const TTextEntry<EKey>& e : Table)
            (*this)[e.Key] = e.Text;
    }
    static constexpr std::span<const TTextEntry<EKey>, N> Entries() { return Table; }
    const std::string& operator[](EKey key) const { return FTexts[static_cast<std::size_t>(key)]; }
    std::string& operator[](EKey key) { return FTexts[static_cast<std::size_t>(key)]; }

private:
    std::array<std::string, N> FTexts;
};

enum class EMessageText {
    SRemoveActivitiesCaption,
    SRemoveActivitiesText,
    SActivitiesFound, // four %s: start, duration, program, caption
    SRemoveAll,
    SNegativeHours,
    SAwayBegins,   // one %s: the time of the last input
    SAwayEnds,     // one %s: the length
    SLockedBegins, // one %s: the time of the lock
    SLockedEnds,   // one %s: the length
    SPausedBegins, // one %s: the time
    SPausedEnds,   // one %s: the length
    SGap,          // two %s: the length, the time of the last sample
    SPausedHint,   // the tray icon's tooltip while paused
    SAwayAfterCaption,
    SAwayAfterText,
    SAwayAfterInvalid,
    SProbeProblem,  // one %s: what keeps the probe from seeing windows
    SUncategorised, // the category of time that no category rule takes
    SSummaryCaption,
    SPeriodToday,
    SPeriodYesterday,
    SPeriodThisWeek,
    SPeriodLastWeek,
    SPeriodThisMonth,
    SPeriodRange,
    SGroupCategory,
    SGroupProgram,
    SGroupCaption,
    SSummaryBack,
    SSummaryName,
    SSummaryTime,
    SSummaryShare,
    SSummaryEntries,
    SPrivateWindow, // one %s: the length of a window the privacy rules skip
    SPausedUntil,   // one %s: the time a timed pause ends (the tray icon's tooltip)
    SForgetCaption,
    SForgetConfirm, // two %s: the number of entries and their time
    SForgetNothing,
    SPrivacyCaption,
    SPrivacySkip,
    SPrivacyHide,
    SPrivacyBrowsing,
    SPrivacyPatterns,
    SPrivacyWouldCatch, // four %s: entries left out, their time, entries hidden, their time
    SPrivacyProblem,    // one %s: what is wrong with a pattern
    SCategoriesCaption,
    SCategoriesHelp,
    SCategoryPatterns,
    SCategoryAdd,
    SCategoryRemove,
    SCategoryUp,
    SCategoryDown,
    SCategoryCancel,
    SCategoryNoName,
    SFolderRecreated, // one %s: the data folder
    SMachinesCaption, // the title of the shared-folder dialogs
    SMachineNamePrompt,
    SMachinesConflict,  // two %s: the machine's name, the conflict copy
    SMachinesDamaged,   // two %s: the machine's name, where reading stopped
    SMachinesIgnore,    // one %s: the lines to add to the ignore file
    SMachinesRecording, // one %s: the record file in the shared folder
};

using TMessageTextEntry = TTextEntry<EMessageText>;

// In the order the windows read them.
inline constexpr TMessageTextEntry MessageTextTable[] = {
    {EMessageText::SRemoveActivitiesCaption, "fmActivity", "SRemoveActivitiesCaption", false,
     "Remove Activities"},
    {EMessageText::SRemoveActivitiesText, "fmActivity", "SRemoveActivitiesText", false,
     "Looking for Activities, which takes longer than ?? hours."},
    {EMessageText::SActivitiesFound, "fmActivity", "SActivitiesFound", false,
     "Following Activity found: \r\n%s, Duration %s, %s, %s\r\nRemove Activity?"},
    {EMessageText::SRemoveAll, "fmActivity", "SRemoveAll", false,
     "Attention all activities will be removed\r\nDo you want to proceed?"},
    {EMessageText::SNegativeHours, "fmActivity", "SNegativeHours", false,
     "The number of hours must not be negative."},
    {EMessageText::SAwayBegins, "fmActivity", "SAwayBegins", false,
     "Away: no keyboard or mouse input since %s"},
    {EMessageText::SAwayEnds, "fmActivity", "SAwayEnds", false, "Back after %s away"},
    {EMessageText::SLockedBegins, "fmActivity", "SLockedBegins", false, "Session locked at %s"},
    {EMessageText::SLockedEnds, "fmActivity", "SLockedEnds", false, "Session unlocked after %s"},
    {EMessageText::SPausedBegins, "fmActivity", "SPausedBegins", false, "Recording paused at %s"},
    {EMessageText::SPausedEnds, "fmActivity", "SPausedEnds", false,
     "Recording resumed after a pause of %s"},
    {EMessageText::SGap, "fmActivity", "SGap", false,
     "No samples for %s after %s (the program was stopped or the computer slept): not counted"},
    {EMessageText::SPausedHint, "fmActivity", "SPausedHint", false, "Orvane: recording is paused"},
    {EMessageText::SAwayAfterCaption, "fmActivity", "SAwayAfterCaption", false, "Away after"},
    {EMessageText::SAwayAfterText, "fmActivity", "SAwayAfterText", false,
     "Minutes without keyboard or mouse input after which you count as away (0 turns it off):"},
    {EMessageText::SAwayAfterInvalid, "fmActivity", "SAwayAfterInvalid", false,
     "The number of minutes must be a whole number from 0 to 1440 (a day)."},
    {EMessageText::SProbeProblem, "fmActivity", "SProbeProblem", false,
     "No window can be seen: %s"},
    {EMessageText::SUncategorised, "fmActivity", "SUncategorised", false, "Uncategorised"},
    {EMessageText::SSummaryCaption, "fmActivity", "SSummaryCaption", false, "Summary"},
    {EMessageText::SPeriodToday, "fmActivity", "SPeriodToday", false, "Today"},
    {EMessageText::SPeriodYesterday, "fmActivity", "SPeriodYesterday", false, "Yesterday"},
    {EMessageText::SPeriodThisWeek, "fmActivity", "SPeriodThisWeek", false, "This week"},
    {EMessageText::SPeriodLastWeek, "fmActivity", "SPeriodLastWeek", false, "Last week"},
    {EMessageText::SPeriodThisMonth, "fmActivity", "SPeriodThisMonth", false, "This month"},
    {EMessageText::SPeriodRange, "fmActivity", "SPeriodRange", false, "From … to"},
    {EMessageText::SGroupCategory, "fmActivity", "SGroupCategory", false, "By category"},
    {EMessageText::SGroupProgram, "fmActivity", "SGroupProgram", false, "By program"},
    {EMessageText::SGroupCaption, "fmActivity", "SGroupCaption", false, "By window"},
    {EMessageText::SSummaryBack, "fmActivity", "SSummaryBack", false, "Back"},
    {EMessageText::SSummaryName, "fmActivity", "SSummaryName", false, "Name"},
    {EMessageText::SSummaryTime, "fmActivity", "SSummaryTime", false, "Time"},
    {EMessageText::SSummaryShare, "fmActivity", "SSummaryShare", false, "Share"},
    {EMessageText::SSummaryEntries, "fmActivity", "SSummaryEntries", false, "Entries"},
    {EMessageText::SPrivateWindow, "fmActivity", "SPrivateWindow", false, "private window, %s"},
    {EMessageText::SPausedUntil, "fmActivity", "SPausedUntil", false,
     "Orvane: recording is paused until %s"},
    {EMessageText::SForgetCaption, "fmActivity", "SForgetCaption", false, "Forget"},
    {EMessageText::SForgetConfirm, "fmActivity", "SForgetConfirm", false,
     "%s entries with %s of time will be taken out of the record for good. This cannot be "
     "undone.\r\n\r\nForget them?"},
    {EMessageText::SForgetNothing, "fmActivity", "SForgetNothing", false,
     "Nothing is recorded there."},
    {EMessageText::SPrivacyCaption, "fmActivity", "SPrivacyCaption", false, "Privacy"},
    {EMessageText::SPrivacySkip, "fmActivity", "SPrivacySkip", false,
     "Not recorded at all (one pattern per line):"},
    {EMessageText::SPrivacyHide, "fmActivity", "SPrivacyHide", false,
     "Recorded without the window title (one pattern per line):"},
    {EMessageText::SPrivacyBrowsing, "fmActivity", "SPrivacyBrowsing", false,
     "Hide the titles of private browser windows"},
    {EMessageText::SPrivacyPatterns, "fmActivity", "SPrivacyPatterns", false,
     "A pattern is a program name with * and ? (such as *keepass*), title: and a title with * and "
     "? (such as title:*bank*), or re: and a regular expression on PROGRAM<TAB>TITLE. Letter case "
     "is ignored."},
    {EMessageText::SPrivacyWouldCatch, "fmActivity", "SPrivacyWouldCatch", false,
     "This week these rules would have left out %s entries (%s) and hidden the titles of %s "
     "entries (%s)."},
    {EMessageText::SPrivacyProblem, "fmActivity", "SPrivacyProblem", false, "Privacy rules: %s"},
    {EMessageText::SCategoriesCaption, "fmActivity", "SCategoriesCaption", false, "Categories"},
    {EMessageText::SCategoriesHelp, "fmActivity", "SCategoriesHelp", false,
     "One line per category, tried from the top: the first one with a matching pattern wins. "
     "Patterns are separated by ';': a wildcard (* and ?) for the program, its path or file name; "
     "title: and a wildcard for the window title; re: and a regular expression for "
     "PROGRAM<TAB>TITLE. Letter case is ignored."},
    {EMessageText::SCategoryPatterns, "fmActivity", "SCategoryPatterns", false, "Patterns"},
    {EMessageText::SCategoryAdd, "fmActivity", "SCategoryAdd", false, "Add"},
    {EMessageText::SCategoryRemove, "fmActivity", "SCategoryRemove", false, "Remove"},
    {EMessageText::SCategoryUp, "fmActivity", "SCategoryUp", false, "Up"},
    {EMessageText::SCategoryDown, "fmActivity", "SCategoryDown", false, "Down"},
    {EMessageText::SCategoryCancel, "fmActivity", "SCategoryCancel", false, "Cancel"},
    {EMessageText::SCategoryNoName, "fmActivity", "SCategoryNoName", false,
     "a category without a name is left out"},
    {EMessageText::SFolderRecreated, "fmActivity", "SFolderRecreated", false,
     "The data folder %s was missing and has been created again; the whole record is written to "
     "it from memory."},
    {EMessageText::SMachinesCaption, "fmActivity", "SMachinesCaption", false, "Several computers"},
    {EMessageText::SMachineNamePrompt, "fmActivity", "SMachineNamePrompt", false,
     "The name of this computer in the shared folder:"},
    {EMessageText::SMachinesConflict, "fmActivity", "SMachinesConflict", false,
     "Two computers record under the name %s in the shared folder (conflict copy: %s). Give one "
     "of them another name with Options > Several computers; the conflict copy is not shown."},
    {EMessageText::SMachinesDamaged, "fmActivity", "SMachinesDamaged", false,
     "The record of the computer %s is damaged (%s). What could be read is shown; the file is "
     "left as it is."},
    {EMessageText::SMachinesIgnore, "fmActivity", "SMachinesIgnore", false,
     "The shared folder has an ignore file (.stignore) of its own. Add these lines to it, so "
     "that only the records travel:\r\n%s"},
    {EMessageText::SMachinesRecording, "fmActivity", "SMachinesRecording", false,
     "Recording into %s"},
};

static_assert(InKeyOrder(MessageTextTable));
using TMessageTexts = TTexts<EMessageText, std::size(MessageTextTable), MessageTextTable>;

} // namespace orvane
