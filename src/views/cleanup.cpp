#include "views/cleanup.h"

#include "recorder/textformat.h"
#include "views/recordedtext.h"

#include <charconv>
#include <limits>
#include <string>

namespace orvane {

std::optional<long long> ParseHours(const std::string& text) {
    const std::string t = Trim(text);
    const char* b = t.data();
    const char* e = t.data() + t.size();
    if (b != e && *b == '+') ++b;
    long long value = 0;
    const auto [end, ec] = std::from_chars(b, e, value);
    if (end != e || b == e) return 8; // not a whole number (an empty field included)
    if (ec == std::errc::result_out_of_range)
        return *b == '-' ? std::nullopt
                         : std::optional<long long>(std::numeric_limits<long long>::max());
    if (ec != std::errc()) return 8;
    if (value < 0) return std::nullopt;
    return value;
}

int RemoveLongActivities(TActivityList& list, const TRemoveLongsDialogs& dialogs,
                         const TMessageTexts& texts, long long* hours) {
    const std::string value = std::to_string(hours ? *hours : DefaultRemoveHours);
    std::string prompt = texts[EMessageText::SRemoveActivitiesText];
    if (const std::size_t mark = prompt.find("??"); mark != std::string::npos)
        prompt.replace(mark, 2, value);
    std::optional<std::string> answer;
    do // an empty answer is no answer: ask again
        answer = dialogs.AskHours(texts[EMessageText::SRemoveActivitiesCaption], prompt, value);
    while (answer && Trim(*answer).empty());
    if (!answer) return 0;
    const std::optional<long long> parsed = ParseHours(*answer);
    if (!parsed) {
        if (dialogs.ShowMessage) dialogs.ShowMessage(texts[EMessageText::SNegativeHours]);
        return 0;
    }
    if (hours) *hours = *parsed;
    const TDateTime threshold = static_cast<TDateTime>(*parsed) / 24.0;
    int removed = 0;
    for (int i = 0; i < list.Count() - 1; ++i) {
        const TEntry& e = list[i];
        if (!(e.Duration > threshold)) continue;
        // Copy the texts out: the list may grow while the question is open. The question is a
        // message text, UTF-8; the entry's texts are the system's.
        const std::string question = SafeFormat(
            texts[EMessageText::SActivitiesFound],
            {SystemTextToUtf8(DateTimeText(e.Start)), SystemTextToUtf8(DurationText(e.Duration)),
             SystemTextToUtf8(e.Process.str()), SystemTextToUtf8(e.Caption.str())});
        const TRemoveAnswer a = dialogs.AskRemove(question);
        if (a == TRemoveAnswer::Yes) {
            list.RemoveAt(i);
            ++removed;
            --i;
        }
        if (dialogs.RefreshTree) dialogs.RefreshTree();
        if (a == TRemoveAnswer::Cancel) break;
    }
    return removed;
}

bool NewRecord(TActivityList& list, const std::string& dataFile,
               const std::function<bool(const std::string& question)>& confirm,
               const std::function<void()>& afterClear, const TMessageTexts& texts) {
    if (!confirm(texts[EMessageText::SRemoveAll])) return false;
    list.Clear();
    list.SaveToFile(dataFile);
    if (afterClear) afterClear();
    return true;
}

} // namespace orvane
