#include "recorder/text.h"

#include <mutex>
#include <unordered_set>

namespace orvane {

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
    std::unordered_set<std::string, Hash, Equal> texts;
    const std::string* empty;
    Pool() { empty = &*texts.emplace().first; }
};

Pool& ThePool() {
    static Pool* pool = new Pool; // never destroyed: texts may be used during static teardown
    return *pool;
}

} // namespace

TText::TText() : FText(ThePool().empty) {}

TText::TText(std::string_view text) {
    Pool& pool = ThePool();
    if (text.empty()) {
        FText = pool.empty;
        return;
    }
    std::lock_guard<std::mutex> guard(pool.lock);
    auto it = pool.texts.find(text);
    if (it == pool.texts.end()) it = pool.texts.emplace(text).first;
    FText = &*it;
}

std::size_t TText::PoolSize() {
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> guard(pool.lock);
    return pool.texts.size();
}

} // namespace orvane
