// Rules that sort windows by their program and title: the categories of the summary, and any
// other feature that picks windows by pattern. No widgets; the sampler may run them on every
// sample, so no pattern can take long on any title.
#pragma once

#include <QRegularExpression>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// One pattern, ignoring letter case:
//   WILDCARD        the program, its full path or its file name (* any run, ? one character)
//   title:WILDCARD  the window title
//   re:EXPR         a regular expression, found anywhere in PROGRAM<TAB>TITLE
// A regular expression gets a bounded number of steps per title; a match that runs out of them
// counts as no match.
class TPattern {
public:
    enum class EResult { NoMatch, Match, OutOfSteps };

    // nullopt, and why in *why, for a pattern that cannot be used.
    static std::optional<TPattern> Compile(std::string_view text, std::string* why = nullptr);
    // Titles are looked at up to their first 64 KiB, as the record keeps them.
    EResult Match(std::string_view program, std::string_view title) const;
    const std::string& Text() const { return FText; }

    // Steps of a regular-expression match, in the regular-expression engine's count: a few
    // milliseconds on the longest title.
    static constexpr int MatchLimit = 200000;

private:
    enum class EKind { Program, Title, Expression };
    std::string FText;
    EKind FKind = EKind::Program;
    std::string FFolded; // the wildcard, case folded
    std::shared_ptr<const QRegularExpression> FExpression;
};

// A named rule: a line NAME=PATTERN;PATTERN;... of the settings file.
struct TRule {
    std::string Name;
    std::vector<std::string> Patterns;
    int Line = 0; // in the settings file; 0 when it did not come from one
};

struct TRuleProblem {
    int Line = 0;
    std::string Text;
};

// Rules tried in order: the first with a pattern that matches wins.
class TRuleSet {
public:
    TRuleSet() = default;
    // Patterns that cannot be used are left out, each reported once through TakeProblems.
    explicit TRuleSet(std::vector<TRule> rules);

    const std::vector<TRule>& Rules() const { return FRules; }
    bool Empty() const { return FRules.empty(); }
    // The number of the first rule that matches, or -1.
    int Find(std::string_view program, std::string_view title);
    // Problems not handed out yet: bad patterns and, once per pattern, a match that ran out of
    // steps.
    std::vector<TRuleProblem> TakeProblems();

private:
    struct TCompiled {
        std::optional<TPattern> Pattern;
        bool RanOut = false; // reported already
    };
    std::vector<TRule> FRules;
    std::vector<std::vector<TCompiled>> FCompiled; // per rule, per pattern
    std::vector<TRuleProblem> FProblems;
};

// The section [Categories] of a settings file's text, in the order of its lines. Lines that are
// no NAME=PATTERNS go to problems when given.
std::vector<TRule> ReadCategories(std::string_view settingsText,
                                  std::vector<TRuleProblem>* problems = nullptr);
// The first MiB of a settings file, empty when it cannot be read.
std::string ReadSettingsText(const std::string& file);

// The colour of the category numbered so in the rules' order (0xRRGGBB); time of no category
// takes the number after the last. Saturated, mid-dark colours far apart in hue, each clearly
// seen on white; past them the hue walks on by the golden angle.
std::uint32_t CategoryColour(int index);

} // namespace orvane
