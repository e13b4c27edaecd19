#include "text/messages.hpp"

#include <cstdio>

namespace tw {
namespace {

class StandardStreams : public MessageSink {
  public:
    void line(std::string_view text) override {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputc('\n', stdout);
    }
    void error(std::string_view text) override {
        // What was said so far comes first in a log that gathers both streams.
        std::fflush(stdout);
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
};

} // namespace

MessageSink& standard_messages() {
    // Stateless: the standard streams themselves are the process's.
    static StandardStreams streams;
    return streams;
}

} // namespace tw
