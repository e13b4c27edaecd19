#pragma once
// The entries of a station file as the lookups read them, one after the other from the top: read
// from the file as a lookup goes, or kept in memory once for every lookup of a run. Each kind
// of entry provides
//   bool read_entry(LineReader&, Entry&)   the next entry; false at the end of the file
//   bool ends_every_scan(const Entry&)     true for an entry no lookup reads past (malformed)
//   std::size_t kept_bytes(const Entry&)   the memory the kept entry takes
// and writes its lookup once, over a source with `const Entry* next()`.
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "metadata/line_reader.hpp"

namespace tw {

// Entries read from the file as the scan asks for them.
template <class Entry> class FileEntries {
  public:
    explicit FileEntries(LineReader& file) : file_(&file) {}
    const Entry* next() { return read_entry(*file_, entry_) ? &entry_ : nullptr; }

  private:
    LineReader* file_;
    Entry entry_;
};

// Entries kept in memory.
template <class Entry> class KeptEntries {
  public:
    explicit KeptEntries(std::span<const Entry> entries) : entries_(entries) {}
    const Entry* next() { return next_ < entries_.size() ? &entries_[next_++] : nullptr; }

  private:
    std::span<const Entry> entries_;
    std::size_t next_ = 0;
};

// The entries of an open file in file order up to and including the first that ends every scan,
// since no lookup reads past it; nothing when they would take more than `limit` bytes.
template <class Entry>
std::optional<std::vector<Entry>> keep_entries(LineReader& file, std::size_t limit) {
    std::vector<Entry> kept;
    std::size_t bytes = 0;
    Entry entry;
    while (read_entry(file, entry)) {
        bytes += kept_bytes(entry);
        if (bytes > limit) return std::nullopt;
        kept.push_back(std::move(entry));
        if (ends_every_scan(kept.back())) break;
        entry = Entry{};
    }
    return kept;
}

} // namespace tw
