// The privacy rules of the settings file's section [Privacy]:
//   Skip=PATTERN;...       windows that are not recorded at all
//   HideTitle=PATTERN;...  windows recorded with the title "(private)"
//   PrivateBrowsing=1      the common browsers' private windows count as HideTitle (0: off)
// Patterns as in rules.h.
#pragma once

#include "recorder/activitylist.h"
#include "recorder/privacy.h"
#include "views/rules.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

struct TPrivacySettings {
    std::vector<std::string> Skip;
    std::vector<std::string> HideTitle;
    bool PrivateBrowsing = true;

    bool operator==(const TPrivacySettings&) const = default;
};

// PATTERN;PATTERN;... with blanks around each taken off and empty ones left out.
std::vector<std::string> SplitPatterns(std::string_view text);
std::string JoinPatterns(const std::vector<std::string>& patterns);

class TPrivacyRules : public IPrivacyFilter {
public:
    TPrivacyRules() = default;
    // Patterns that cannot be used are left out, each reported once through TakeProblems.
    explicit TPrivacyRules(TPrivacySettings settings);

    // Skip before HideTitle before the private-browsing marks. A pattern that runs out of steps
    // on a title counts as matching there: a rule that cannot tell keeps the window private.
    EPrivacy Classify(std::string_view process, std::string_view title) override;
    const TPrivacySettings& Settings() const { return FSettings; }
    // Problems not handed out yet; none of them holds a title.
    std::vector<std::string> TakeProblems();

private:
    struct TCompiled {
        TPattern Pattern;
        bool RanOut = false;
    };
    bool Any(std::vector<TCompiled>& patterns, std::string_view process, std::string_view title,
             const char* key);
    TPrivacySettings FSettings;
    std::vector<TCompiled> FSkip, FHide;
    std::vector<std::string> FProblems;
};

// What the rules would have caught among the entries that begin in [from, to).
struct TPrivacyCatch {
    int SkipEntries = 0;
    TDateTime SkipTime = 0;
    int HideEntries = 0;
    TDateTime HideTime = 0;
};
TPrivacyCatch WouldCatch(TPrivacyRules& rules, const TActivityList& entries, TDateTime from,
                         TDateTime to);

} // namespace orvane
