#pragma once
// A data file opened for the record reader, closed when it goes out of scope.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "text/messages.hpp"

namespace tw {

// The reader's warnings about the file's records go to the file's message sink.
class SeedFile {
  public:
    explicit SeedFile(MessageSink& messages) : messages_(&messages) {}
    // Takes ownership of an open stream (a memory stream in the fuzzing harness, for example).
    SeedFile(std::FILE* stream, MessageSink& messages) : stream_(stream), messages_(&messages) {}
    SeedFile(const SeedFile&) = delete;
    SeedFile& operator=(const SeedFile&) = delete;
    SeedFile(SeedFile&& other) noexcept;
    SeedFile& operator=(SeedFile&& other) noexcept;
    ~SeedFile() { close(); }

    // The handle ifopen gives for a path or mode that is too long.
    static SeedFile refused_name(MessageSink& messages) {
        SeedFile file(messages);
        file.rejected_name_ = true;
        return file;
    }

    bool is_open() const { return stream_ != nullptr; }
    bool name_refused() const { return rejected_name_; }
    MessageSink& messages() const { return *messages_; }
    // Reads up to n bytes; returns how many arrived.
    std::size_t read(uint8_t* into, std::size_t n) {
        return stream_ ? std::fread(into, 1, n, stream_) : 0;
    }
    // Result of closing, 0 when nothing was open.
    int close();

  private:
    std::FILE* stream_ = nullptr;
    MessageSink* messages_;
    bool rejected_name_ = false;
};

// Opens a data file. Trailing blanks of path and mode are removed; a path of 1024 characters
// or more or a mode of 4 or more is refused with an error message. A file that cannot be opened
// gives a handle that is not open. The file's messages go to `messages`.
SeedFile ifopen(std::string_view path, std::string_view mode, MessageSink& messages);
int ifclose(SeedFile& file);

} // namespace tw
