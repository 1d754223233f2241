#include "recorder/activitylist.h"

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

void TActivityList::AddEntry(const std::string& process, const std::string& caption,
                             TDateTime start) {
    if (IsBlank(process)) return;
    FItems.emplace_back(TText(process), TText(CappedCaption(caption)), start);
    FLastOpen = true;
}

void TActivityList::CloseLastEntry(TDateTime time) {
    if (!LastEntryOpen()) return;
    FItems.back().CloseAt(time);
}

void TActivityList::CloseLastEntryAfter(TDateTime elapsed) {
    if (!LastEntryOpen()) return;
    FItems.back().Duration = elapsed > 0 ? elapsed : 0.0;
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
}

void TActivityList::Clear() {
    FItems.clear();
    FItems.shrink_to_fit();
    FLastOpen = false;
    FDisk.Valid = false;
}

} // namespace orvane
