#include "stream_test_support.h"

#include <chrono>
#include <thread>

namespace stream_testing {
namespace {

aErr s_get(uint8_t* byte, void* ref) {
    auto* transport = static_cast<ScriptedTransport*>(ref);
    if (transport->script.empty()) {
        return transport->whenEmpty;
    }
    auto step = transport->script.front();
    transport->script.pop_front();
    if (std::holds_alternative<aErr>(step)) {
        return std::get<aErr>(step);
    }
    *byte = std::get<uint8_t>(step);
    return aErrNone;
}

aErr s_put(const uint8_t* byte, void* ref) {
    static_cast<ScriptedTransport*>(ref)->written.push_back(*byte);
    return aErrNone;
}

aErr s_write(const uint8_t* data, size_t length, void* ref) {
    auto& written = static_cast<ScriptedTransport*>(ref)->written;
    written.insert(written.end(), data, data + length);
    return aErrNone;
}

aErr s_close(void* ref) {
    ++static_cast<ScriptedTransport*>(ref)->closes;
    return aErrNone;
}

}  // namespace

StreamPtr scriptedStream(ScriptedTransport& transport, int operations) {
    return StreamPtr(
        aStream_Create((operations & kGet) ? s_get : nullptr, (operations & kPut) ? s_put : nullptr,
                       (operations & kWrite) ? s_write : nullptr, s_close, &transport));
}

std::string text(const std::vector<uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

aErr readWithin(aStream* stream, uint8_t* buffer, size_t count) {
    constexpr auto kLimit = std::chrono::seconds(5);
    constexpr auto kPause = std::chrono::milliseconds(1);
    const auto deadline = std::chrono::steady_clock::now() + kLimit;
    aErr result = aStream_Read(stream, buffer, count);
    while (result == aErrNotReady && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kPause);
        result = aStream_Read(stream, buffer, count);
    }
    return result;
}

}  // namespace stream_testing
