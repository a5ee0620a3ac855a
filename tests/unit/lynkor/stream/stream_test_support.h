#pragma once

#include <deque>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "lynkor/aStream.h"

namespace stream_testing {

struct StreamDeleter {
    void operator()(aStream* stream) const { aStream_Destroy(&stream); }
};
using StreamPtr = std::unique_ptr<aStream, StreamDeleter>;

// A transport that plays a script: each step is a byte to hand out or a result to answer.
// What is written goes to `written`.
struct ScriptedTransport {
    std::deque<std::variant<uint8_t, aErr>> script;
    aErr whenEmpty = aErrEOF;
    std::vector<uint8_t> written;
    int closes = 0;

    void bytes(const std::string& text) {
        for (char c : text) {
            script.emplace_back(static_cast<uint8_t>(c));
        }
    }
    void result(aErr error) { script.emplace_back(error); }
};

enum Operations { kGet = 1, kPut = 2, kWrite = 4 };

// A stream over `transport` with the chosen operations (and always a close).
StreamPtr scriptedStream(ScriptedTransport& transport, int operations = kGet | kPut | kWrite);

std::string text(const std::vector<uint8_t>& bytes);

// Reads as a link reader does: again while the stream answers aErrNotReady, for at most a few
// seconds; the last result.
aErr readWithin(aStream* stream, uint8_t* buffer, size_t count);

}  // namespace stream_testing
