#include "views/privacy.h"

#include "recorder/text.h"

#include <utility>

namespace orvane {

namespace {

std::string TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return std::string(s);
}

} // namespace

std::vector<std::string> SplitPatterns(std::string_view text) {
    std::vector<std::string> patterns;
    std::size_t from = 0;
    while (from <= text.size()) {
        std::size_t semicolon = text.find(';', from);
        if (semicolon == std::string_view::npos) semicolon = text.size();
        std::string p = TrimBlanks(text.substr(from, semicolon - from));
        if (!p.empty()) patterns.push_back(std::move(p));
        from = semicolon + 1;
    }
    return patterns;
}

std::string JoinPatterns(const std::vector<std::string>& patterns) {
    std::string text;
    for (const std::string& p : patterns) {
        if (!text.empty()) text += ';';
        text += p;
    }
    return text;
}

TPrivacyRules::TPrivacyRules(TPrivacySettings settings) : FSettings(std::move(settings)) {
    const auto compile = [this](const std::vector<std::string>& texts, const char* key,
                                std::vector<TCompiled>& out) {
        for (const std::string& text : texts) {
            std::string why;
            if (std::optional<TPattern> p = TPattern::Compile(text, &why))
                out.push_back({std::move(*p)});
            else
                FProblems.push_back(std::string("privacy rule ") + key + ": the pattern \"" + text +
                                    "\" is left out: " + why);
        }
    };
    compile(FSettings.Skip, "Skip", FSkip);
    compile(FSettings.HideTitle, "HideTitle", FHide);
}

bool TPrivacyRules::Any(std::vector<TCompiled>& patterns, std::string_view process,
                        std::string_view title, const char* key) {
    for (TCompiled& c : patterns) {
        switch (c.Pattern.Match(process, title)) {
        case TPattern::EResult::Match:
            return true;
        case TPattern::EResult::NoMatch:
            break;
        case TPattern::EResult::OutOfSteps:
            if (!c.RanOut) {
                c.RanOut = true;
                FProblems.push_back(std::string("privacy rule ") + key + ": the pattern \"" +
                                    c.Pattern.Text() +
                                    "\" takes too many steps on some titles; there it counts as "
                                    "matching");
            }
            return true;
        }
    }
    return false;
}

EPrivacy TPrivacyRules::Classify(std::string_view process, std::string_view title) {
    if (Any(FSkip, process, title, "Skip")) return EPrivacy::Skip;
    if (Any(FHide, process, title, "HideTitle")) return EPrivacy::HideTitle;
    if (FSettings.PrivateBrowsing && IsPrivateBrowsingTitle(title)) return EPrivacy::HideTitle;
    return EPrivacy::Record;
}

std::vector<std::string> TPrivacyRules::TakeProblems() {
    return std::exchange(FProblems, {});
}

TPrivacyCatch WouldCatch(TPrivacyRules& rules, const TActivityList& entries, TDateTime from,
                         TDateTime to) {
    TPrivacyCatch c;
    for (const TEntry& e : entries.Entries()) {
        if (!(e.Start >= from && e.Start < to)) continue;
        // What is hidden already was caught when it was recorded.
        if (e.Caption == PrivateTitle) continue;
        switch (rules.Classify(e.Process.str(), e.Caption.str())) {
        case EPrivacy::Skip:
            ++c.SkipEntries;
            c.SkipTime += e.Duration;
            break;
        case EPrivacy::HideTitle:
            ++c.HideEntries;
            c.HideTime += e.Duration;
            break;
        case EPrivacy::Record:
            break;
        }
    }
    return c;
}

} // namespace orvane
