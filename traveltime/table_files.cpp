#include "traveltime/table_files.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace tw {

namespace {

// Builds or takes apart the payload of one record, field by field.
class RecordBytes {
  public:
    template <typename T> void put(const T& value) {
        const auto* p = reinterpret_cast<const char*>(&value);
        bytes_.insert(bytes_.end(), p, p + sizeof(T));
    }
    template <typename T> bool get(T& value) {
        if (pos_ + sizeof(T) > bytes_.size()) return false;
        std::memcpy(&value, bytes_.data() + pos_, sizeof(T));
        pos_ += sizeof(T);
        return true;
    }
    std::vector<char>& bytes() { return bytes_; }
    bool consumed() const { return pos_ == bytes_.size(); }

  private:
    std::vector<char> bytes_;
    std::size_t pos_ = 0;
};

template <typename Visit> void visit_record(int rec, TableHeader& h, Visit&& v) {
    switch (rec) {
    case 1:
        v(h.nasgr), v(h.nl), v(h.len2), v(h.radius_factor), v(h.slowness_factor), v(h.time_factor);
        v(h.mt), v(h.nseg), v(h.nbrn), v(h.ku), v(h.km), v(h.fcs), v(h.nafl), v(h.indx), v(h.kndx);
        break;
    case 2:
        v(h.pm), v(h.zm), v(h.ndex);
        break;
    case 3:
        v(h.pu), v(h.pux);
        break;
    case 4:
        v(h.phcd), v(h.px), v(h.xt), v(h.jndx);
        break;
    case 5:
        v(h.pt), v(h.taut);
        break;
    case 6:
        v(h.coef);
        break;
    default:
        break;
    }
}

std::string system_reason() {
    return std::strerror(errno);
}

} // namespace

bool write_header_file(const std::string& path, const TableHeader& header, std::string& why) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        why = path + ": " + system_reason();
        return false;
    }
    TableHeader h = header;
    for (int rec = 1; rec <= 6; ++rec) {
        RecordBytes r;
        visit_record(rec, h, [&](auto& field) { r.put(field); });
        const auto n = static_cast<std::int32_t>(r.bytes().size());
        out.write(reinterpret_cast<const char*>(&n), sizeof n);
        out.write(r.bytes().data(), n);
        out.write(reinterpret_cast<const char*>(&n), sizeof n);
    }
    if (!out) {
        why = path + ": write failed";
        return false;
    }
    return true;
}

bool read_header_file(const std::string& path, TableHeader& h, std::string& why) {
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = path + ": " + system_reason();
        return false;
    }
    for (int rec = 1; rec <= 6; ++rec) {
        std::int32_t n = 0, tail = 0;
        RecordBytes r;
        std::size_t expected = 0;
        visit_record(rec, h, [&](auto& field) { expected += sizeof(field); });
        if (!in.read(reinterpret_cast<char*>(&n), sizeof n) || n < 0 ||
            static_cast<std::size_t>(n) != expected) {
            why = path + ": record " + std::to_string(rec) + " is missing or has the wrong length";
            return false;
        }
        r.bytes().resize(static_cast<std::size_t>(n));
        if (!in.read(r.bytes().data(), n) ||
            !in.read(reinterpret_cast<char*>(&tail), sizeof tail) || tail != n) {
            why = path + ": record " + std::to_string(rec) + " is truncated";
            return false;
        }
        visit_record(rec, h, [&](auto& field) { r.get(field); });
    }
    return true;
}

bool write_table_file(const std::string& path, int nasgr,
                      const std::vector<std::vector<double>>& records, std::string& why) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        why = path + ": " + system_reason();
        return false;
    }
    std::vector<char> buffer(static_cast<std::size_t>(nasgr));
    for (const auto& rec : records) {
        std::fill(buffer.begin(), buffer.end(), 0);
        const std::size_t bytes = std::min(buffer.size(), rec.size() * sizeof(double));
        std::memcpy(buffer.data(), rec.data(), bytes);
        out.write(buffer.data(), nasgr);
    }
    if (!out) {
        why = path + ": write failed";
        return false;
    }
    return true;
}

bool TableFile::open(const std::string& path, int record_length, std::string& why) {
    errno = 0;
    file_.reset(std::fopen(path.c_str(), "rb"));
    if (!file_) {
        why = path + ": " + system_reason();
        return false;
    }
    if (record_length <= 0) {
        why = path + ": invalid record length";
        file_.reset();
        return false;
    }
    record_length_ = record_length;
    return true;
}

bool TableFile::bkin(int rec, int count, double* buffer) {
    if (rec <= 0) {
        std::fill(buffer, buffer + count, 0.0);
        return true;
    }
    const auto bytes = static_cast<std::size_t>(count) * sizeof(double);
    if (!file_ || bytes > static_cast<std::size_t>(record_length_)) return false;
    const long offset = static_cast<long>(rec - 1) * record_length_;
    if (std::fseek(file_.get(), offset, SEEK_SET) != 0) return false;
    return std::fread(buffer, 1, bytes, file_.get()) == bytes;
}

} // namespace tw
