#include "commands/mag/xml_writer.hpp"

namespace tw::mag {

XmlWriter::XmlWriter() : out_("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") {}

std::string XmlWriter::escape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            // characters XML 1.0 cannot carry are dropped
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\n' || c == '\t') out += c;
        }
    }
    return out;
}

void XmlWriter::start_tag(std::string_view name, const Attributes& attributes) {
    out_.append(2 * open_.size(), ' ');
    out_ += "<";
    out_ += name;
    for (const auto& [key, value] : attributes)
        out_ += " " + key + "=\"" + escape(value) + "\"";
}

void XmlWriter::open(std::string_view name, const Attributes& attributes) {
    start_tag(name, attributes);
    out_ += ">\n";
    open_.emplace_back(name);
}

void XmlWriter::close() {
    const std::string name = open_.back();
    open_.pop_back();
    out_.append(2 * open_.size(), ' ');
    out_ += "</" + name + ">\n";
}

void XmlWriter::leaf(std::string_view name, std::string_view text, const Attributes& attributes) {
    start_tag(name, attributes);
    out_ += '>';
    out_ += escape(text);
    out_ += "</";
    out_ += name;
    out_ += ">\n";
}

void XmlWriter::empty(std::string_view name, const Attributes& attributes) {
    start_tag(name, attributes);
    out_ += "/>\n";
}

} // namespace tw::mag
