// The activity data-file loader on arbitrary bytes. Besides not crashing: whatever it loads is
// stored again byte for byte (the records are kept as read), and a save loads back to the same
// entries, float bits included.
#include "fuzzcommon.h"

#include "recorder/activitylist.h"
#include "recorder/datafile.h"

#include <cstring>

namespace {

using orvane::fuzz::Check;

std::int32_t Int32At(const std::uint8_t* p) {
    return static_cast<std::int32_t>(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                     std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24);
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orvane;
    static const std::string input = fuzz::TempPath("input.cdat");
    static const std::string saved = fuzz::TempPath("saved.cdat");
    fuzz::WriteFile(input, data, size);

    TActivityList list;
    TLoadResult result;
    try {
        result = list.LoadFromFile(input);
    } catch (const EFileError&) {
        // Only a file without a whole count may fail to load.
        Check(size < 4, "a file of 4 bytes or more failed to load");
        return 0;
    }
    Check(size >= 4, "a file shorter than 4 bytes loaded");
    const std::int32_t count = Int32At(data);
    // One more only for a save cut off before its count: the one record past it.
    Check(list.Count() <= (count > 0 ? count : 0) ||
              (list.Count() == std::int64_t{count} + 1 && result.Whole),
          "more entries loaded than the count says");
    Check(static_cast<std::size_t>(list.Count()) <= (size - 4) / 24,
          "more entries loaded than the file can hold");

    // A fresh file each time, so that a save cannot build on the previous input.
    std::remove(saved.c_str());
    list.SaveToFile(saved);
    const std::string bytes = fuzz::ReadFile(saved);
    Check(bytes.size() >= 4 && bytes.size() <= size, "saved file larger than the input");
    Check(Int32At(reinterpret_cast<const std::uint8_t*>(bytes.data())) == list.Count(),
          "saved count differs from the loaded entries");
    // A load that calls a file whole must be right: nothing of it is then kept aside.
    Check(result.Loaded == list.Count(), "the load result miscounts the entries");
    // Whole: the count covers the records, or a save was cut off before its count (one record
    // past it, or the count one past the records).
    Check(result.Whole ==
              (bytes.size() == size && count >= 0 && std::int64_t{count} - list.Count() >= -1 &&
               std::int64_t{count} - list.Count() <= 1),
          "a load called whole what a save does not give back, or the other way round");
    Check(std::memcmp(bytes.data() + 4, data + 4, bytes.size() - 4) == 0,
          "saved records differ from the records read");

    TActivityList again;
    again.LoadFromFile(saved);
    Check(again.Count() == list.Count(), "reload gives another number of entries");
    for (int i = 0; i < list.Count(); ++i) {
        const TEntry& a = list[i];
        const TEntry& b = again[i];
        Check(static_cast<const std::string&>(a.Process) ==
                  static_cast<const std::string&>(b.Process),
              "reload changed a Process");
        Check(static_cast<const std::string&>(a.Caption) ==
                  static_cast<const std::string&>(b.Caption),
              "reload changed a Caption");
        Check(SameBits(a.Start, b.Start) && SameBits(a.Duration, b.Duration),
              "reload changed a Start or Duration");
    }
    return 0;
}
