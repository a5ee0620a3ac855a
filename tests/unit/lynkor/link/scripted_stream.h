#pragma once

// A stream whose bytes the test feeds and whose writes the test inspects, for driving the link
// engine byte by byte.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "lynkor/aLink.h"
#include "lynkor/aStream.h"
#include "support/eventually.h"

namespace link_test {

using Bytes = std::vector<uint8_t>;

class ScriptedStream {
public:
    // `emptyWait` is how long a read waits for bytes before it answers "nothing yet".
    explicit ScriptedStream(std::chrono::milliseconds emptyWait);

    // A stream over this script; the link that takes it over keeps the script alive.
    static aStream* open(const std::shared_ptr<ScriptedStream>& script);

    void feed(const Bytes& bytes);
    // From now on reads answer at once; lets a link waiting in a long read stop quickly.
    void release();

    // Holds every write until opened; `writerHeld` tells when the writer waits there.
    void closeGate();
    void openGate();
    bool waitForHeldWriter(std::chrono::milliseconds limit);

    std::vector<Bytes> writes();
    // Waits until the writes satisfy the test; false at the limit.
    bool waitForWrites(const std::function<bool(const std::vector<Bytes>&)>& done,
                       std::chrono::milliseconds limit = std::chrono::seconds(5));
    size_t countWrites(const Bytes& bytes);

private:
    static aErr s_get(uint8_t* byte, void* ref);
    static aErr s_write(const uint8_t* data, size_t length, void* ref);
    static aErr s_put(const uint8_t* byte, void* ref);
    static aErr s_close(void* ref);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::chrono::milliseconds emptyWait_;
    std::deque<uint8_t> input_;
    std::vector<Bytes> writes_;
    bool released_ = false;
    bool gateOpen_ = true;
    bool writerHeld_ = false;
};

// Owns a link id for a test: releases the script, then destroys the link.
class LinkHolder {
public:
    LinkHolder(aLinkRef id, std::shared_ptr<ScriptedStream> script = nullptr)
        : id_(id), script_(std::move(script)) {}
    ~LinkHolder() { destroy(); }
    LinkHolder(const LinkHolder&) = delete;
    LinkHolder& operator=(const LinkHolder&) = delete;
    aLinkRef get() const { return id_; }
    aErr destroy() {
        if (script_) {
            script_->release();
        }
        return id_ != 0 ? aLink_Destroy(&id_) : aErrNone;
    }

private:
    aLinkRef id_;
    std::shared_ptr<ScriptedStream> script_;
};

using testing_support::eventually;

}  // namespace link_test
