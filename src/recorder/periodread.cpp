#include "recorder/periodread.h"

#include "platform/filepath.h"
#include "recorder/datafile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string_view>
#include <system_error>
#include <vector>

namespace orvane {

namespace {

constexpr std::uint64_t MaxTailBytes = 16 << 20;
constexpr std::uintmax_t MaxIndexBytes = 64 << 20; // 24 bytes a block of 4,096 entries

constexpr char Magic[8] = {'O', 'R', 'V', 'I', 'D', 'X', '1', '\n'};

struct TBlock {
    std::uint64_t Offset = 0;
    double FirstStart = 0;
    double LastEnd = 0; // the latest end (or start) of the block's entries
};

struct TIndex {
    std::uint64_t Device = 0, Inode = 0;
    std::uint64_t Size = 0; // the record's size when the index was written
    std::uint32_t Count = 0;
    bool OutOfOrder = false;
    std::uint64_t Sample = 0; // hash of the record's bytes around each block's start
    std::vector<TBlock> Blocks;
};

struct TParsed {
    std::uint64_t Offset = 0;
    TEntry Entry;
};

std::uint64_t Fnv(std::string_view bytes, std::uint64_t h = 14695981039346656037ull) {
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

void Put(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void PutDouble(std::string& out, double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    Put(out, u, 8);
}
std::uint64_t Get(const char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
}
double GetDouble(const char* p) {
    const std::uint64_t u = Get(p, 8);
    double v;
    std::memcpy(&v, &u, 8);
    return v;
}

// The records of bytes (which start at file offset base) up to its end; false when a record is
// damaged or the bytes end inside one.
bool ParseRecords(const std::string& bytes, std::uint64_t base, std::vector<TParsed>& out) {
    std::size_t pos = 0;
    const std::size_t n = bytes.size();
    auto text = [&](std::string_view& t) {
        if (n - pos < 4) return false;
        const auto len = static_cast<std::int32_t>(Get(bytes.data() + pos, 4));
        pos += 4;
        if (len < 0 || static_cast<std::size_t>(len) > n - pos) return false;
        t = std::string_view(bytes.data() + pos, static_cast<std::size_t>(len));
        pos += static_cast<std::size_t>(len);
        return true;
    };
    while (pos < n) {
        TParsed r;
        r.Offset = base + pos;
        std::string_view process, caption;
        if (!text(process) || !text(caption) || n - pos < 16) return false;
        r.Entry.Process = TText(process);
        r.Entry.Caption = TText(caption);
        r.Entry.Start = GetDouble(bytes.data() + pos);
        r.Entry.Duration = GetDouble(bytes.data() + pos + 8);
        pos += 16;
        out.push_back(std::move(r));
    }
    return true;
}

double EndOf(const TEntry& e) {
    return std::max(e.Start, e.Start + e.Duration);
}

// Entries in start order with calendar numbers only, the first start not before after.
class TOrder {
public:
    explicit TOrder(double after) : FLast(after) {}
    bool Next(const TEntry& e) {
        if (!std::isfinite(e.Start) || !std::isfinite(e.Duration) || e.Start < FLast) return false;
        FLast = e.Start;
        return true;
    }

private:
    double FLast;
};

bool InOrder(const std::vector<TParsed>& entries, double after) {
    TOrder order(after);
    for (const TParsed& r : entries)
        if (!order.Next(r.Entry)) return false;
    return true;
}

// The index's blocks of entries (offset, entry), the first of which starts a block.
void AddToBlocks(std::size_t i, std::uint64_t offset, const TEntry& e,
                 std::vector<TBlock>& blocks) {
    if (i % IndexBlockEntries == 0) blocks.push_back({offset, e.Start, e.Start});
    blocks.back().LastEnd = std::max(blocks.back().LastEnd, EndOf(e));
}

void AddBlocks(const std::vector<TParsed>& entries, std::vector<TBlock>& blocks) {
    for (std::size_t i = 0; i < entries.size(); ++i)
        AddToBlocks(i, entries[i].Offset, entries[i].Entry, blocks);
}

// The bytes that a save in place never changes around each block's start: the previous record's
// times and the first bytes of the block's own. A record rewritten or another file shows here.
bool SampleOf(int fd, std::uint64_t size, const std::vector<TBlock>& blocks, std::uint64_t& hash) {
    hash = Fnv("");
    std::string bytes;
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        const std::uint64_t at = blocks[k].Offset;
        const std::uint64_t from = k == 0 ? at : at - 16;
        bytes.assign(static_cast<std::size_t>(at + 8 - from), '\0');
        if (at + 8 > size || !ReadBytesAt(fd, from, bytes)) return false;
        hash = Fnv(bytes, hash);
    }
    return true;
}

std::string Serialise(const TIndex& index) {
    std::string out(Magic, sizeof Magic);
    Put(out, index.Device, 8);
    Put(out, index.Inode, 8);
    Put(out, index.Size, 8);
    Put(out, index.Count, 4);
    Put(out, index.OutOfOrder ? 1 : 0, 4);
    Put(out, IndexBlockEntries, 4);
    Put(out, index.Blocks.size(), 4);
    Put(out, index.Sample, 8);
    for (const TBlock& b : index.Blocks) {
        Put(out, b.Offset, 8);
        PutDouble(out, b.FirstStart);
        PutDouble(out, b.LastEnd);
    }
    Put(out, Fnv(out), 8);
    return out;
}

constexpr std::size_t HeaderBytes = 8 + 8 + 8 + 8 + 4 + 4 + 4 + 4 + 8;

bool Parse(const std::string& bytes, TIndex& index) {
    if (bytes.size() < HeaderBytes + 8 || std::memcmp(bytes.data(), Magic, sizeof Magic) != 0)
        return false;
    const std::string_view body(bytes.data(), bytes.size() - 8);
    if (Get(bytes.data() + body.size(), 8) != Fnv(body)) return false;
    const char* p = bytes.data() + sizeof Magic;
    index.Device = Get(p, 8);
    index.Inode = Get(p + 8, 8);
    index.Size = Get(p + 16, 8);
    index.Count = static_cast<std::uint32_t>(Get(p + 24, 4));
    index.OutOfOrder = Get(p + 28, 4) != 0;
    const std::uint64_t blockEntries = Get(p + 32, 4), blocks = Get(p + 36, 4);
    index.Sample = Get(p + 40, 8);
    if (blockEntries != IndexBlockEntries || body.size() != HeaderBytes + blocks * 24) return false;
    p = bytes.data() + HeaderBytes;
    for (std::uint64_t k = 0; k < blocks; ++k, p += 24)
        index.Blocks.push_back({Get(p, 8), GetDouble(p + 8), GetDouble(p + 16)});
    return true;
}

bool ReadIndex(const std::string& indexFile, TIndex& index) {
    // Whatever else is found under that name (a FIFO would block) is no index.
    std::error_code ec;
    const std::filesystem::path path = PathOf(indexFile);
    if (!std::filesystem::is_regular_file(path, ec) ||
        std::filesystem::file_size(path, ec) > MaxIndexBytes || ec)
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Parse(bytes, index);
}

// Never half written: a reader sees the old index or the new one.
bool WriteIndex(const std::string& indexFile, const TIndex& index) {
    const std::filesystem::path temporary =
        PathOf(indexFile + "." + std::to_string(std::random_device()() & 0xFFFFFF) + ".tmp");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        // The start times are as private as the record.
        std::error_code ec;
        std::filesystem::permissions(
            temporary, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
            ec);
        const std::string bytes = Serialise(index);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ec;
            std::filesystem::remove(temporary, ec);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, PathOf(indexFile), ec);
    if (ec) {
        // Windows renames over no existing file. The index is a cache: for the moment between
        // the two steps a reader finds none and reads the record whole.
        std::error_code gone;
        std::filesystem::remove(PathOf(indexFile), gone);
        std::filesystem::rename(temporary, PathOf(indexFile), ec);
    }
    if (ec) std::filesystem::remove(temporary, ec);
    return !ec;
}

// The index of a record read whole into list, when the file still is what was read.
bool BuildIndex(const std::string& fileName, const TActivityList& list, const TLoadResult& load,
                TIndex& index) {
    if (!load.Whole || load.Loaded != load.Count || load.StopOffset != load.Size) return false;
    index = {};
    index.Size = load.Size;
    index.Count = static_cast<std::uint32_t>(load.Count);
    TOrder order(-INFINITY);
    std::uint64_t offset = 4;
    for (std::size_t i = 0; i < list.Entries().size(); ++i) {
        const TEntry& e = list.Entries()[i];
        if (!index.OutOfOrder && !order.Next(e)) {
            index.OutOfOrder = true;
            index.Blocks.clear();
        }
        if (!index.OutOfOrder) AddToBlocks(i, offset, e, index.Blocks);
        offset += 4 + e.Process.size() + 4 + e.Caption.size() + 16;
    }
    if (offset != load.Size) return false;
    std::uint64_t size = 0;
    const int fd = OpenRegularFile(fileName, size);
    const bool same = size == load.Size && SampleOf(fd, size, index.Blocks, index.Sample);
    FileNumber(fd, index.Device, index.Inode);
    CloseRegularFile(fd);
    return same;
}

// The period's part of the record through a matching index; false, with nothing appended, when
// the index does not match or the record is not whole and in order.
bool ReadWithIndex(int fd, std::uint64_t size, TIndex& index, TDateTime from, TDateTime to,
                   TActivityList& list, TLoadResult& result, TPeriodReadInfo& info, bool& rewrite) {
    std::string head(4, '\0');
    if (!ReadBytesAt(fd, 0, head)) return false;
    const auto count = static_cast<std::int32_t>(Get(head.data(), 4));
    std::uint64_t device = 0, inode = 0;
    FileNumber(fd, device, inode);
    auto& blocks = index.Blocks;
    if (index.OutOfOrder || blocks.empty() || device != index.Device || inode != index.Inode ||
        index.Size > size || blocks.front().Offset != 4)
        return false;
    for (std::size_t k = 1; k < blocks.size(); ++k)
        if (blocks[k].Offset <= blocks[k - 1].Offset) return false;
    const std::uint64_t last = blocks.back().Offset;
    const auto before = static_cast<std::int64_t>(blocks.size() - 1) * IndexBlockEntries;
    std::uint64_t sample = 0;
    if (last >= size || count <= before || !SampleOf(fd, size, blocks, sample) ||
        sample != index.Sample)
        return false;

    // The last block and what was appended after it: the running entry is the record's last.
    // Far behind a record that grew much, a whole read (which rebuilds the index) takes less.
    if (size - last > MaxTailBytes) return false;
    std::string bytes(static_cast<std::size_t>(size - last), '\0');
    std::vector<TParsed> tail;
    if (!ReadBytesAt(fd, last, bytes) || !ParseRecords(bytes, last, tail) ||
        static_cast<std::int64_t>(tail.size()) != count - before ||
        tail.front().Entry.Start != blocks.back().FirstStart ||
        !InOrder(tail, blocks.size() > 1 ? blocks[blocks.size() - 2].FirstStart : -INFINITY))
        return false;

    std::vector<TParsed> entries;
    for (std::size_t k = 0; k + 1 < blocks.size(); ++k) {
        const TBlock& b = blocks[k];
        if (!(b.LastEnd >= from && b.FirstStart <= to)) continue;
        bytes.assign(static_cast<std::size_t>(blocks[k + 1].Offset - b.Offset), '\0');
        const std::size_t had = entries.size();
        if (!ReadBytesAt(fd, b.Offset, bytes) || !ParseRecords(bytes, b.Offset, entries) ||
            entries.size() - had != IndexBlockEntries || entries[had].Entry.Start != b.FirstStart)
            return false;
    }
    list.Reserve(entries.size() + tail.size());
    for (const TParsed& r : entries)
        list.AppendLoaded(r.Entry);
    for (const TParsed& r : tail)
        list.AppendLoaded(r.Entry);
    result.Whole = true;
    result.Count = count;
    result.Loaded = list.Count();
    result.StopOffset = size;
    result.Size = size;
    info.UsedIndex = true;

    // A record that grew since: its new entries get their blocks.
    if (size != index.Size || static_cast<std::int64_t>(index.Count) != count) {
        blocks.pop_back();
        AddBlocks(tail, blocks);
        index.Size = size;
        index.Count = static_cast<std::uint32_t>(count);
        rewrite = SampleOf(fd, size, blocks, index.Sample);
    }
    return true;
}

} // namespace

std::string PeriodIndexFile(const std::string& recordFile) {
    return recordFile + ".idx";
}

void RemovePeriodIndex(const std::string& recordFile) {
    RemoveFile(PeriodIndexFile(recordFile));
}

TLoadResult LoadPeriodFromFile(const std::string& fileName, const std::string& indexFile,
                               TDateTime from, TDateTime to, TActivityList& list,
                               TPeriodReadInfo* info) {
    TPeriodReadInfo own;
    TPeriodReadInfo& how = info ? *info : own;
    how = {};
    TIndex index;
    const bool haveIndex = !indexFile.empty() && list.Count() == 0 && ReadIndex(indexFile, index);
    if (haveIndex && !index.OutOfOrder) {
        std::uint64_t size = 0;
        const int fd = OpenRegularFile(fileName, size);
        TLoadResult result;
        bool rewrite = false;
        bool done = false;
        try {
            done = ReadWithIndex(fd, size, index, from, to, list, result, how, rewrite);
        } catch (...) {
            CloseRegularFile(fd);
            throw;
        }
        CloseRegularFile(fd);
        if (done) {
            if (rewrite) how.WroteIndex = WriteIndex(indexFile, index);
            return result;
        }
    }
    const bool wasEmpty = list.Count() == 0;
    const TLoadResult result = list.LoadFromFile(fileName);
    TIndex fresh;
    if (!indexFile.empty() && wasEmpty && BuildIndex(fileName, list, result, fresh)) {
        how.OutOfOrder = fresh.OutOfOrder;
        // An index that says so already need not be written again.
        const bool same = haveIndex && index.OutOfOrder && fresh.OutOfOrder &&
                          index.Device == fresh.Device && index.Inode == fresh.Inode &&
                          index.Size == fresh.Size;
        if (!same) how.WroteIndex = WriteIndex(indexFile, fresh);
    }
    return result;
}

} // namespace orvane
