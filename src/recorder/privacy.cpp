#include "recorder/privacy.h"

#include <cctype>

namespace orvane {

namespace {

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool EqualAt(std::string_view text, std::size_t at, std::string_view word) {
    if (at + word.size() > text.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (Lower(text[at + i]) != Lower(word[i])) return false;
    return true;
}

bool IsLetter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

bool Bracketed(std::string_view title, std::string_view mark) {
    for (std::size_t at = 1; at + mark.size() < title.size(); ++at) {
        const char open = title[at - 1], close = title[at + mark.size()];
        if (((open == '(' && close == ')') || (open == '[' && close == ']')) &&
            EqualAt(title, at, mark))
            return true;
    }
    return false;
}

bool AtEnd(std::string_view title, std::string_view mark) {
    while (!title.empty() && (title.back() == ' ' || title.back() == '\t'))
        title.remove_suffix(1);
    if (title.size() < mark.size()) return false;
    const std::size_t at = title.size() - mark.size();
    return EqualAt(title, at, mark) && (at == 0 || !IsLetter(title[at - 1]));
}

} // namespace

bool IsPrivateBrowsingTitle(std::string_view title) {
    for (const TPrivateMark& m : PrivateBrowsingMarks) {
        if (Bracketed(title, m.Mark)) return true;
        if (!m.BracketsOnly && AtEnd(title, m.Mark)) return true;
    }
    return false;
}

} // namespace orvane
