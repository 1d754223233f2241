// TText: an immutable byte string kept once per distinct value for the whole program. A record of
// years repeats the same few programs and captions millions of times; each entry holds a pointer.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace orvane {

class TText {
public:
    TText();
    TText(std::string_view text); // NOLINT: implicit on purpose, entries are built from strings
    TText(const std::string& text) : TText(std::string_view(text)) {}
    TText(const char* text) : TText(std::string_view(text)) {}

    const std::string& str() const { return *FText; }
    operator const std::string&() const { return *FText; } // NOLINT
    const char* c_str() const { return FText->c_str(); }
    const char* data() const { return FText->data(); }
    std::size_t size() const { return FText->size(); }
    bool empty() const { return FText->empty(); }
    // The same pointer for equal texts: usable as a key.
    const std::string* id() const { return FText; }

    friend bool operator==(const TText& a, const TText& b) { return a.FText == b.FText; }
    friend bool operator==(const TText& a, std::string_view b) { return *a.FText == b; }
    friend bool operator==(const TText& a, const char* b) { return *a.FText == b; }

    // Number of distinct texts kept (for the memory figures).
    static std::size_t PoolSize();

private:
    const std::string* FText;
};

} // namespace orvane

template <> struct std::hash<orvane::TText> {
    std::size_t operator()(const orvane::TText& t) const noexcept {
        return std::hash<const void*>()(t.id());
    }
};
