#pragma once
// A small writer of indented XML: elements, attributes and escaped text.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tw::mag {

class XmlWriter {
  public:
    using Attributes = std::vector<std::pair<std::string, std::string>>;

    XmlWriter();
    void open(std::string_view name, const Attributes& attributes = {});
    void close();
    // <name attributes>text</name>
    void leaf(std::string_view name, std::string_view text, const Attributes& attributes = {});
    // <name attributes/>
    void empty(std::string_view name, const Attributes& attributes);
    // The document; every open element must be closed.
    const std::string& str() const { return out_; }

    static std::string escape(std::string_view text);

  private:
    void start_tag(std::string_view name, const Attributes& attributes);
    std::string out_;
    std::vector<std::string> open_;
};

} // namespace tw::mag
