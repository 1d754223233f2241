#include "recorder/text.h"

#include <mutex>
#include <stdexcept>
#include <unordered_map>

namespace orvane {

namespace text_detail {
constinit const std::string EmptyText;
constinit std::atomic<const std::string**> Chunks[1u << (32 - ChunkBits)] = {};
} // namespace text_detail

namespace {

struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept {
        return std::hash<std::string_view>()(s);
    }
};
struct Equal {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept { return a == b; }
};

struct Pool {
    std::mutex lock;
    // Node-based: the addresses of the strings never change.
    std::unordered_map<std::string, std::uint32_t, Hash, Equal> numbers;
    std::uint32_t count = 1; // 0 is the empty text
};

Pool& ThePool() {
    static Pool* pool = new Pool; // never destroyed: texts may be used during static teardown
    return *pool;
}

} // namespace

TText::TText(std::string_view text) {
    using namespace text_detail;
    if (text.empty()) return;
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> guard(pool.lock);
    auto it = pool.numbers.find(text);
    if (it == pool.numbers.end()) {
        const std::uint32_t number = pool.count;
        if (number == 0xFFFFFFFFu) throw std::length_error("Too many different texts");
        const std::uint32_t chunk = number >> ChunkBits;
        const std::string** slots = Chunks[chunk].load(std::memory_order_relaxed);
        if (!slots) {
            slots = new const std::string*[ChunkMask + 1](); // kept for the program's life
            Chunks[chunk].store(slots, std::memory_order_release);
        }
        it = pool.numbers.emplace(std::string(text), number).first;
        slots[number & ChunkMask] = &it->first;
        ++pool.count;
    }
    FIndex = it->second;
}

std::size_t TText::PoolSize() {
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> guard(pool.lock);
    return pool.count;
}

} // namespace orvane
