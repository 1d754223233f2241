#include "recorder/activitylist.h"

#include <atomic>

namespace orvane {

std::string_view CappedCaption(std::string_view caption) {
    if (caption.size() <= MaxCaptionBytes) return caption;
    std::size_t end = MaxCaptionBytes;
    // Back over continuation bytes to the start of the sequence the cut would split; at most
    // three, so that bytes of another encoding lose no more than that.
    for (int i = 0; i < 3 && (static_cast<unsigned char>(caption[end]) & 0xC0) == 0x80; ++i)
        --end;
    if ((static_cast<unsigned char>(caption[end]) & 0xC0) == 0x80) end = MaxCaptionBytes;
    return caption.substr(0, end);
}

static_assert(sizeof(TEntry) <= 24, "a record of years holds a million entries");

void TActivityList::Changed() {
    static std::atomic<std::uint64_t> last{0};
    FVersion = ++last;
}

void TActivityList::AddEntry(const std::string& process, const std::string& caption,
                             TDateTime start) {
    if (IsBlank(process)) return;
    FItems.emplace_back(TText(process), TText(CappedCaption(caption)), start);
    FLastOpen = true;
    Changed();
}

void TActivityList::CloseLastEntry(TDateTime time) {
    if (!LastEntryOpen()) return;
    FItems.back().CloseAt(time);
    Changed();
}

void TActivityList::CloseLastEntryAfter(TDateTime elapsed) {
    if (!LastEntryOpen()) return;
    FItems.back().Duration = elapsed > 0 ? elapsed : 0.0;
    Changed();
}

bool TActivityList::Remove(const TEntry* entry) {
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        if (&FItems[i] == entry) {
            RemoveAt(static_cast<int>(i));
            return true;
        }
    }
    return false;
}

void TActivityList::RemoveAt(int index) {
    const auto i = static_cast<std::size_t>(index);
    if (i >= FItems.size()) return;
    if (i + 1 == FItems.size()) FLastOpen = false;
    FDisk.Valid = false;
    FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(i));
    Changed();
}

void TActivityList::AppendLoaded(TActivityList&& other) {
    if (FItems.empty())
        FItems = std::move(other.FItems);
    else
        FItems.insert(FItems.end(), other.FItems.begin(), other.FItems.end());
    other.Clear();
    FLastOpen = false;
    Changed();
}

void TActivityList::Clear() {
    FItems.clear();
    FItems.shrink_to_fit();
    FLastOpen = false;
    FDisk.Valid = false;
    Changed();
}

} // namespace orvane
