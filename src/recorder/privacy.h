// What the sampler may record of a window. The rules themselves live with the application (they
// need its pattern matcher); the sampler only asks, once per sample, before anything of the window
// is stored, logged or shown.
#pragma once

#include <string_view>

namespace orvane {

enum class EPrivacy {
    Record,    // as it is
    HideTitle, // the program, with PrivateTitle for its title
    Skip,      // nothing at all: the time is not counted
};

// The title stored for a hidden one: the same in every language, so that totals group.
inline constexpr std::string_view PrivateTitle = "(private)";

class IPrivacyFilter {
public:
    virtual ~IPrivacyFilter() = default;
    virtual EPrivacy Classify(std::string_view process, std::string_view title) = 0;
};

// The marks the common browsers put at the end of a private window's title.
struct TPrivateMark {
    std::string_view Browser;
    std::string_view Mark;
    bool BracketsOnly = false; // a common word: only as "(Mark)" or "[Mark]"
};
inline constexpr TPrivateMark PrivateBrowsingMarks[] = {
    {"Firefox", "Private Browsing"},  // "… — Mozilla Firefox Private Browsing"
    {"Chromium/Chrome", "Incognito"}, // "… - Google Chrome (Incognito)"
    {"Edge", "InPrivate"},            // "… - [InPrivate] - Microsoft Edge"
    {"Brave", "Private", true},       // "… - Brave (Private)"
    {"Opera", "Private browsing"},    // "… - Opera (Private browsing)"
    {"Vivaldi", "Private", true},     // "… - Vivaldi (Private)"
    {"Epiphany", "Incognito"},        // "… — Web (Incognito)"
};

// True when the title carries one of those marks, ignoring letter case: in brackets anywhere, such
// as "[InPrivate]", or (unless BracketsOnly) as the last words of the title.
bool IsPrivateBrowsingTitle(std::string_view title);

} // namespace orvane
