// tesk_split: multiplexed SEED data files (many channels in one file, as data centres deliver
// them) into one file per channel, NET.STA.LOC.CHA.mseed, records copied byte for byte.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "commands/common/whole_file.hpp"
#include "commands/split/record_scan.hpp"
#include "tw_version.hpp"

namespace {

constexpr const char* kUsage =
    "usage: tesk_split [-o DIR] FILE...\n"
    "  Splits SEED data files holding many channels into one file per channel,\n"
    "  DIR/NET.STA.LOC.CHA.mseed (default DIR: the current folder), so that each can be\n"
    "  given to tesk_wave. Records are copied byte for byte, each channel's in time order;\n"
    "  records of one channel from several files go into one file; gaps and overlaps stay.\n"
    "  An output file is replaced whole. Records that cannot be read are reported on\n"
    "  standard error and skipped. Exit status 0 when every byte of every file was a\n"
    "  readable record and every file was written, 1 otherwise, 2 for a bad command line.\n";

void say_error(const std::string& text) {
    std::fprintf(stderr, "tesk_split: %s\n", text.c_str());
}

struct CloseFile {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, CloseFile>;

struct Input {
    std::string name;
    FilePtr file; // kept open until every output is written, so an output that replaces an
                  // input of the same name never changes what is read
};

bool read_all(std::FILE* f, std::string& bytes) {
    char buf[65536];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    return std::ferror(f) == 0;
}

bool copy_record(const Input& in, const tw::split::RecordRef& r, std::string& bytes) {
    bytes.resize(r.length);
    return std::fseek(in.file.get(), static_cast<long>(r.offset), SEEK_SET) == 0 &&
           std::fread(bytes.data(), 1, r.length, in.file.get()) == r.length;
}

bool earlier(const tw::int_time& a, const tw::int_time& b) {
    if (a.year != b.year) return a.year < b.year;
    if (a.second != b.second) return a.second < b.second;
    return a.usec < b.usec;
}

} // namespace

int main(int argc, char** argv) {
    std::string folder = ".";
    std::vector<std::string> names;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("tesk_split %s\n", tw::kVersion);
            return 0;
        }
        if (arg == "-o") {
            if (i + 1 >= argc) {
                say_error("-o needs a folder");
                return 2;
            }
            folder = argv[++i];
        } else if (arg.size() > 1 && arg.front() == '-') {
            say_error("unknown option " + std::string(arg));
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            names.emplace_back(arg);
        }
    }
    if (names.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    bool complete = true;
    std::vector<Input> inputs;
    std::vector<tw::split::RecordRef> records;
    std::set<std::pair<dev_t, ino_t>> seen;
    for (const std::string& name : names) {
        FilePtr f(std::fopen(name.c_str(), "rb"));
        struct stat st {};
        if (!f || ::fstat(::fileno(f.get()), &st) != 0 || !S_ISREG(st.st_mode)) {
            say_error(name + ": cannot open" +
                      (f ? std::string(" (not a file)")
                         : " (" + std::string(std::strerror(errno)) + ")"));
            complete = false;
            continue;
        }
        if (!seen.insert({st.st_dev, st.st_ino}).second) {
            say_error(name + ": named twice, read once");
            continue;
        }
        std::string bytes;
        if (!read_all(f.get(), bytes)) {
            say_error(name + ": cannot read");
            complete = false;
            continue;
        }
        tw::split::ScanResult scan = tw::split::scan_records(bytes, inputs.size());
        for (const std::string& p : scan.problems)
            say_error(name + ": " + p);
        if (!scan.problems.empty()) complete = false;
        if (scan.records.empty()) say_error(name + ": no readable record");
        records.insert(records.end(), scan.records.begin(), scan.records.end());
        inputs.push_back(Input{name, std::move(f)});
    }

    // Each channel's records in time order; records of the same time keep the order of the
    // files on the command line and within each file.
    std::map<std::string, std::vector<const tw::split::RecordRef*>> channels;
    for (const auto& r : records)
        channels[r.channel_id].push_back(&r);
    std::error_code ec;
    if (!channels.empty()) std::filesystem::create_directories(folder, ec);
    std::string bytes;
    for (auto& [id, list] : channels) {
        std::stable_sort(list.begin(), list.end(),
                         [](const auto* a, const auto* b) { return earlier(a->start, b->start); });
        const std::string path = folder + "/" + id + ".mseed";
        tw::WholeFile out(path);
        std::set<std::size_t> from;
        bool whole = true;
        for (const auto* r : list) {
            if (!copy_record(inputs[r->file], *r, bytes)) {
                say_error(inputs[r->file].name + ": cannot read again; " + path + " not written");
                whole = false;
                break;
            }
            out.write(bytes);
            from.insert(r->file);
        }
        if (!whole) {
            complete = false;
            continue;
        }
        if (!out.commit()) {
            say_error(out.error());
            complete = false;
            continue;
        }
        std::printf("tesk_split: %s: %zu records from %zu file%s\n", path.c_str(), list.size(),
                    from.size(), from.size() == 1 ? "" : "s");
    }
    return complete ? 0 : 1;
}
