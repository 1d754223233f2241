// TText: an immutable byte string kept once per distinct value for the whole program. A record of
// years repeats the same few programs and captions millions of times; each entry holds a 32-bit
// number of its text, so that an entry takes 24 bytes.
//
// A recorded text is the system's 8-bit text, as the record format keeps it: the ANSI code page on
// Windows (a character the code page cannot hold is stored as '?'), UTF-8 on Linux (or whatever
// bytes a window gave). It is converted to and from Qt's text, to UTF-8 and apart from file names
// only through views/recordedtext.h.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orvane {

namespace text_detail {
// The kept texts by number, in chunks that never move once made: a text is found without a
// lock, while another one is being added. Number 0 is the empty text, kept apart so that it
// works before any static constructor has run.
constexpr unsigned ChunkBits = 14;
constexpr std::uint32_t ChunkMask = (1u << ChunkBits) - 1;
extern std::atomic<const std::string**> Chunks[1u << (32 - ChunkBits)];
extern const std::string EmptyText;
} // namespace text_detail

class TText {
public:
    TText() = default;
    TText(std::string_view text); // NOLINT: implicit on purpose, entries are built from strings
    TText(const std::string& text) : TText(std::string_view(text)) {}
    TText(const char* text) : TText(std::string_view(text)) {}

    const std::string& str() const { return *id(); }
    operator const std::string&() const { return str(); } // NOLINT
    const char* c_str() const { return str().c_str(); }
    const char* data() const { return str().data(); }
    std::size_t size() const { return str().size(); }
    bool empty() const { return FIndex == 0; }
    // The same pointer for equal texts: usable as a key.
    const std::string* id() const {
        using namespace text_detail;
        if (FIndex == 0) return &EmptyText;
        return Chunks[FIndex >> ChunkBits].load(std::memory_order_acquire)[FIndex & ChunkMask];
    }
    // The same number for equal texts, counting from 0 (the empty text) without gaps.
    std::uint32_t Index() const { return FIndex; }

    friend bool operator==(const TText& a, const TText& b) { return a.FIndex == b.FIndex; }
    friend bool operator==(const TText& a, std::string_view b) { return a.str() == b; }
    friend bool operator==(const TText& a, const char* b) { return a.str() == b; }

    // Number of distinct texts kept (for the memory figures), the empty one included.
    static std::size_t PoolSize();

private:
    std::uint32_t FIndex = 0;
};

} // namespace orvane

template <> struct std::hash<orvane::TText> {
    std::size_t operator()(const orvane::TText& t) const noexcept {
        return std::hash<std::uint32_t>()(t.Index());
    }
};
