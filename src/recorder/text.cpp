#include "recorder/text.h"

#include <mutex>
#include <stdexcept>
#include <vector>

namespace orvane {

namespace text_detail {
constinit const std::string EmptyText;
constinit std::atomic<const std::string**> Chunks[1u << (32 - ChunkBits)] = {};
} // namespace text_detail

namespace {

using text_detail::ChunkBits;
using text_detail::ChunkMask;
using text_detail::Chunks;

std::size_t HashOf(std::string_view s) {
    return std::hash<std::string_view>()(s);
}

// The numbers of the kept texts by their bytes: an open-addressed table of 8-byte slots, each
// the number (0: free) and 32 bits of the text's hash, so that most probes end without reading
// a text. A record of years looks its texts up millions of times while it loads; a table of
// nodes took a cache miss or three for each.
struct Pool {
    std::mutex lock;
    std::vector<std::uint64_t> slots = std::vector<std::uint64_t>(1024);
    std::uint32_t count = 1; // 0 is the empty text

    static std::uint32_t Tag(std::size_t hash) {
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(hash) >> 32) ^
               static_cast<std::uint32_t>(hash);
    }
    static const std::string& Text(std::uint32_t number) {
        return *Chunks[number >> ChunkBits].load(std::memory_order_relaxed)[number & ChunkMask];
    }
    // The slot of the text: its number's, or the free one where it goes.
    std::uint64_t* Find(std::string_view text, std::size_t hash) {
        const std::size_t mask = slots.size() - 1;
        const std::uint64_t tag = Tag(hash);
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            std::uint64_t& slot = slots[i];
            if (slot == 0) return &slot;
            if ((slot >> 32) == tag && Text(static_cast<std::uint32_t>(slot)) == text) return &slot;
        }
    }
    void Grow() {
        std::vector<std::uint64_t> old(slots.size() * 2);
        old.swap(slots);
        const std::size_t mask = slots.size() - 1;
        for (const std::uint64_t slot : old) {
            if (slot == 0) continue;
            std::size_t i = HashOf(Text(static_cast<std::uint32_t>(slot))) & mask;
            while (slots[i] != 0)
                i = (i + 1) & mask;
            slots[i] = slot;
        }
    }
};

Pool& ThePool() {
    static Pool* pool = new Pool; // never destroyed: texts may be used during static teardown
    return *pool;
}

} // namespace

TText::TText(std::string_view text) {
    if (text.empty()) return;
    const std::size_t hash = HashOf(text);
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> guard(pool.lock);
    std::uint64_t* slot = pool.Find(text, hash);
    if (*slot == 0) {
        const std::uint32_t number = pool.count;
        if (number == 0xFFFFFFFFu) throw std::length_error("Too many different texts");
        // At most half full, so that a probe ends soon; grown before anything is added, so that a
        // failed allocation leaves no text without its slot.
        if ((std::size_t{number} + 1) * 2 > pool.slots.size()) {
            pool.Grow();
            slot = pool.Find(text, hash);
        }
        const std::uint32_t chunk = number >> ChunkBits;
        const std::string** slots = Chunks[chunk].load(std::memory_order_relaxed);
        if (!slots) {
            slots = new const std::string*[ChunkMask + 1](); // kept for the program's life
            Chunks[chunk].store(slots, std::memory_order_release);
        }
        slots[number & ChunkMask] = new std::string(text); // kept for the program's life
        ++pool.count;
        *slot = (std::uint64_t{Pool::Tag(hash)} << 32) | number;
    }
    FIndex = static_cast<std::uint32_t>(*slot);
}

std::size_t TText::PoolSize() {
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> guard(pool.lock);
    return pool.count;
}

} // namespace orvane
