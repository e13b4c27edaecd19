#include "commands/meta/document_reader.hpp"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace tw::meta {

namespace {

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

bool read_document_text(const std::string& name, std::string_view bytes, Inventory& inventory,
                        std::string& error) {
    // The first character that is no blank (after a byte-order mark) tells XML from RESP; a
    // RESP file may begin with comment lines.
    std::string_view rest = bytes;
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
    int line = 1;
    while (!rest.empty()) {
        if (rest.front() == '\n') ++line;
        if (blank(rest.front())) {
            rest.remove_prefix(1);
            continue;
        }
        if (rest.front() != '#') break;
        const std::size_t end = rest.find('\n');
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    }
    Inventory read;
    bool ok = false;
    if (!rest.empty() && rest.front() == '<')
        ok = read_stationxml(name, bytes, read, error);
    else if (rest.size() >= 4 && rest[0] == 'B' &&
             std::isdigit(static_cast<unsigned char>(rest[1])))
        ok = read_resp(name, bytes, read, error);
    else
        error = name + ":" + std::to_string(line) + ": neither StationXML nor a RESP file";
    if (!ok) return false;
    for (auto& s : read.stations)
        inventory.stations.push_back(std::move(s));
    for (auto& c : read.channels)
        inventory.channels.push_back(std::move(c));
    return true;
}

bool read_document(const std::string& path, Inventory& inventory, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open (" + std::strerror(errno) + ")";
        return false;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) {
        error = path + ": cannot read";
        return false;
    }
    return read_document_text(path, bytes.str(), inventory, error);
}

} // namespace tw::meta
