#include "views/rules.h"

#include "platform/filepath.h"
#include "recorder/activitylist.h"
#include "recorder/datetime.h"
#include "views/periods.h"
#include "views/recordedtext.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <utility>

namespace orvane {

namespace {

// Patterns and settings files are small; anything longer is not one of ours.
constexpr std::size_t MaxPatternBytes = 4096;
constexpr std::size_t MaxSettingsBytes = 1 << 20;

bool Continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The end of the character that starts at i (a UTF-8 sequence, or one byte that is not one).
std::size_t NextChar(std::string_view s, std::size_t i) {
    ++i;
    while (i < s.size() && Continuation(static_cast<unsigned char>(s[i])))
        ++i;
    return i;
}

// Wildcard match over the whole text. A failed run after a star retries from one character
// further, so no pattern takes more than length(text) * length(pattern) steps.
bool WildcardMatch(std::string_view pattern, std::string_view text) {
    std::size_t p = 0, t = 0;
    std::size_t starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starT = t;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            t = NextChar(text, t);
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (starP != std::string_view::npos) {
            p = starP;
            t = starT = NextChar(text, starT);
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

std::string FileName(std::string_view program) {
    const std::size_t slash = program.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? program : program.substr(slash + 1));
}

} // namespace

std::optional<TPattern> TPattern::Compile(std::string_view text, std::string* why) {
    const auto fail = [&](std::string reason) -> std::optional<TPattern> {
        if (why) *why = std::move(reason);
        return std::nullopt;
    };
    if (text.empty()) return fail("the pattern is empty");
    if (text.size() > MaxPatternBytes)
        return fail("the pattern is longer than " + std::to_string(MaxPatternBytes) + " bytes");
    TPattern p;
    p.FText = std::string(text);
    if (StartsWithNoCase(text, "re:")) {
        const std::string_view expr = text.substr(3);
        if (expr.empty()) return fail("the regular expression is empty");
        // A limit set in the expression itself would take the place of ours.
        std::string upper(expr);
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (upper.find("(*LIMIT_") != std::string::npos)
            return fail("a regular expression cannot set its own limits");
        const QString limits = QString("(*LIMIT_MATCH=%1)(*LIMIT_DEPTH=%1)").arg(MatchLimit);
        auto re = std::make_shared<QRegularExpression>(limits + FromSystemText(expr),
                                                       QRegularExpression::CaseInsensitiveOption);
        if (!re->isValid()) {
            const qsizetype offset =
                std::max<qsizetype>(0, re->patternErrorOffset() - limits.size());
            return fail(ToSystemText(re->errorString()) + " at offset " + std::to_string(offset));
        }
        p.FKind = EKind::Expression;
        p.FExpression = std::move(re);
        return p;
    }
    if (StartsWithNoCase(text, "title:")) {
        p.FKind = EKind::Title;
        p.FFolded = FoldCase(std::string(text.substr(6)));
        return p;
    }
    p.FFolded = FoldCase(std::string(text));
    return p;
}

TPattern::EResult TPattern::Match(std::string_view program, std::string_view title) const {
    title = CappedCaption(title);
    switch (FKind) {
    case EKind::Program: {
        const std::string folded = FoldCase(std::string(program));
        return WildcardMatch(FFolded, folded) || WildcardMatch(FFolded, FoldCase(FileName(program)))
                   ? EResult::Match
                   : EResult::NoMatch;
    }
    case EKind::Title:
        return WildcardMatch(FFolded, FoldCase(std::string(title))) ? EResult::Match
                                                                    : EResult::NoMatch;
    case EKind::Expression:
        break;
    }
    std::string subject;
    subject.reserve(program.size() + 1 + title.size());
    subject.append(program).append(1, '\t').append(title);
    const QRegularExpressionMatch m = FExpression->match(FromSystemText(subject));
    if (m.hasMatch()) return EResult::Match;
    // An invalid match is one the engine gave up on.
    return m.isValid() ? EResult::NoMatch : EResult::OutOfSteps;
}

TRuleSet::TRuleSet(std::vector<TRule> rules) : FRules(std::move(rules)) {
    FCompiled.resize(FRules.size());
    for (std::size_t r = 0; r < FRules.size(); ++r) {
        for (const std::string& text : FRules[r].Patterns) {
            std::string why;
            TCompiled c;
            c.Pattern = TPattern::Compile(text, &why);
            if (!c.Pattern)
                FProblems.push_back({FRules[r].Line, "category \"" + FRules[r].Name +
                                                         "\": the pattern \"" + text +
                                                         "\" is left out: " + why});
            FCompiled[r].push_back(std::move(c));
        }
    }
}

int TRuleSet::Find(std::string_view program, std::string_view title) {
    for (std::size_t r = 0; r < FCompiled.size(); ++r) {
        for (TCompiled& c : FCompiled[r]) {
            if (!c.Pattern) continue;
            switch (c.Pattern->Match(program, title)) {
            case TPattern::EResult::Match:
                return static_cast<int>(r);
            case TPattern::EResult::NoMatch:
                break;
            case TPattern::EResult::OutOfSteps:
                if (!c.RanOut) {
                    c.RanOut = true;
                    FProblems.push_back(
                        {FRules[r].Line, "category \"" + FRules[r].Name + "\": the pattern \"" +
                                             c.Pattern->Text() +
                                             "\" takes too many steps on some titles; there it "
                                             "counts as not matching"});
                }
                break;
            }
        }
    }
    return -1;
}

std::vector<TRuleProblem> TRuleSet::TakeProblems() {
    return std::exchange(FProblems, {});
}

std::vector<TRule> ReadCategories(std::string_view text, std::vector<TRuleProblem>* problems) {
    std::vector<TRule> rules;
    text = text.substr(0, std::min(text.size(), MaxSettingsBytes));
    bool inSection = false;
    int lineNumber = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string line = Trim(std::string(text.substr(pos, end - pos)));
        pos = end + 1;
        ++lineNumber;
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            // The first section of the name counts, as for every other key of the file.
            const std::string name = Trim(line.substr(1, line.size() - 2));
            if (inSection) break;
            inSection = FoldCase(name) == "categories";
            continue;
        }
        if (!inSection) continue;
        const std::size_t eq = line.find('=');
        const std::string name = eq == std::string::npos ? "" : Trim(line.substr(0, eq));
        if (name.empty()) {
            if (problems)
                problems->push_back({lineNumber, "\"" + line + "\" is no NAME=PATTERN;PATTERN"});
            continue;
        }
        TRule rule{name, {}, lineNumber};
        const std::string patterns = line.substr(eq + 1);
        std::size_t from = 0;
        while (from <= patterns.size()) {
            std::size_t semicolon = patterns.find(';', from);
            if (semicolon == std::string::npos) semicolon = patterns.size();
            std::string p = Trim(patterns.substr(from, semicolon - from));
            if (!p.empty()) rule.Patterns.push_back(std::move(p));
            from = semicolon + 1;
        }
        rules.push_back(std::move(rule));
    }
    return rules;
}

std::string ReadSettingsText(const std::string& file) {
    std::ifstream in(PathOf(file), std::ios::binary);
    std::string text(1 << 20, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
    return text;
}

std::uint32_t CategoryColour(int index) {
    static constexpr std::uint32_t Colours[] = {0x1F77B4, 0xD62728, 0x2CA02C, 0x9467BD, 0xFF7F0E,
                                                0x8C564B, 0xE377C2, 0x1796A0, 0x787878};
    if (index >= 0 && index < static_cast<int>(std::size(Colours)))
        return Colours[static_cast<std::size_t>(index)];
    // HSV (hue, 200/255, 170/255) as RGB.
    const double h = static_cast<double>((index * 137) % 360) / 60.0, v = 170.0, s = 200.0 / 255;
    const double c = v * s, x = c * (1 - std::abs(std::fmod(h, 2.0) - 1)), m = v - c;
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(h)) {
    case 0:
        r = c, g = x;
        break;
    case 1:
        r = x, g = c;
        break;
    case 2:
        g = c, b = x;
        break;
    case 3:
        g = x, b = c;
        break;
    case 4:
        r = x, b = c;
        break;
    default:
        r = c, b = x;
        break;
    }
    const auto byte = [&](double u) {
        return static_cast<std::uint32_t>(std::lround(u + m)) & 0xFF;
    };
    return byte(r) << 16 | byte(g) << 8 | byte(b);
}

} // namespace orvane
