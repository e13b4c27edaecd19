#pragma once
// Where the stages' messages go. The stages never print: they say everything through the
// MessageSink their caller hands them. tesk_wave hands them standard_messages(); a library user
// or a test hands them a MessageLog (or a sink of its own) and reads what was said.
#include <string>
#include <string_view>

#include "text/format.hpp"

namespace tw {

class MessageSink {
  public:
    virtual ~MessageSink() = default;
    // A line for standard output: progress, notices, the stages' complaints. The newline is added.
    virtual void line(std::string_view text) = 0;
    // Text for standard error exactly as given (warnings carry their own newlines).
    virtual void error(std::string_view text) = 0;

    void line(const FreeLine& free) { line(std::string_view(free.str())); }
    void line(const FixedLine& fixed) { line(std::string_view(fixed.str())); }
};

// Lines to standard output and errors to standard error, through C stdio, as the program prints.
MessageSink& standard_messages();

// Keeps everything said: `out` as standard output would show it, `err` as standard error would.
class MessageLog : public MessageSink {
  public:
    void line(std::string_view text) override {
        out += text;
        out += '\n';
    }
    void error(std::string_view text) override { err += text; }
    using MessageSink::line;

    std::string out, err;
};

} // namespace tw
