#pragma once
// A station metadata file read line by line from the top. Only a regular file is read: a folder,
// a FIFO or a device is refused without waiting on it. No line is kept beyond a bounded length,
// so a file without line ends costs no more memory than a short one.
#include <cstddef>
#include <memory>
#include <string>

namespace tw {

// What a metadata path names.
enum class PathKind {
    kRegularFile,
    kMissing,
    kNotRegular, // a folder, a FIFO, a device or a socket
};

// Looks at the path (following links) without opening it.
PathKind metadata_path_kind(const std::string& path);

class LineReader {
  public:
    // Characters a line may hold without its line end; the station files use fewer than 100
    // columns, the pick file 256.
    static constexpr std::size_t kMaxLineLength = 1024;

    // Opens the path for reading if it is a regular file; otherwise nothing is read.
    explicit LineReader(const std::string& path);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    bool is_open() const { return fd_ >= 0; }
    // True when the file is open; otherwise the lookup status becomes "cannot open".
    bool opened(int& ierr) const;

    // The next line without its line end ("\n" or "\r\n"); false at the end of the file or on a
    // read error. A line whose text runs beyond kMaxLineLength characters is over-long: `line`
    // then holds its first kMaxLineLength characters, `too_long` is true, and the rest of it is
    // read past without being kept.
    bool next_line(std::string& line, bool& too_long);

    // Reads past n lines; false when the file ends first.
    bool skip_lines(long long n);

    // Bytes of the file read so far.
    std::size_t bytes_read() const { return bytes_read_; }

  private:
    bool refill();

    int fd_ = -1;
    std::unique_ptr<char[]> buffer_;
    std::size_t begin_ = 0, end_ = 0; // unread bytes of the buffer
    std::size_t bytes_read_ = 0;
    bool at_end_ = false;
};

} // namespace tw
