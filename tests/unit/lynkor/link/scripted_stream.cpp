#include "scripted_stream.h"

#include <algorithm>
#include <thread>

namespace link_test {

ScriptedStream::ScriptedStream(std::chrono::milliseconds emptyWait) : emptyWait_(emptyWait) {}

aStream* ScriptedStream::open(const std::shared_ptr<ScriptedStream>& script) {
    auto* ref = new std::shared_ptr<ScriptedStream>(script);
    return aStream_Create(s_get, s_put, s_write, s_close, ref);
}

void ScriptedStream::feed(const Bytes& bytes) {
    std::lock_guard lock(mutex_);
    input_.insert(input_.end(), bytes.begin(), bytes.end());
    changed_.notify_all();
}

void ScriptedStream::release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    gateOpen_ = true;
    changed_.notify_all();
}

void ScriptedStream::closeGate() {
    std::lock_guard lock(mutex_);
    gateOpen_ = false;
}

void ScriptedStream::openGate() {
    std::lock_guard lock(mutex_);
    gateOpen_ = true;
    changed_.notify_all();
}

bool ScriptedStream::waitForHeldWriter(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return writerHeld_; });
}

std::vector<Bytes> ScriptedStream::writes() {
    std::lock_guard lock(mutex_);
    return writes_;
}

bool ScriptedStream::waitForWrites(const std::function<bool(const std::vector<Bytes>&)>& done,
                                   std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return done(writes_); });
}

size_t ScriptedStream::countWrites(const Bytes& bytes) {
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(std::count(writes_.begin(), writes_.end(), bytes));
}

aErr ScriptedStream::s_get(uint8_t* byte, void* ref) {
    ScriptedStream& self = **static_cast<std::shared_ptr<ScriptedStream>*>(ref);
    std::unique_lock lock(self.mutex_);
    self.changed_.wait_for(lock, self.emptyWait_,
                           [&] { return !self.input_.empty() || self.released_; });
    if (self.input_.empty()) {
        return aErrNotReady;
    }
    *byte = self.input_.front();
    self.input_.pop_front();
    return aErrNone;
}

aErr ScriptedStream::s_write(const uint8_t* data, size_t length, void* ref) {
    ScriptedStream& self = **static_cast<std::shared_ptr<ScriptedStream>*>(ref);
    std::unique_lock lock(self.mutex_);
    self.writerHeld_ = !self.gateOpen_;
    self.changed_.notify_all();
    self.changed_.wait_for(lock, std::chrono::seconds(5), [&] { return self.gateOpen_; });
    self.writerHeld_ = false;
    self.writes_.emplace_back(data, data + length);
    self.changed_.notify_all();
    return aErrNone;
}

aErr ScriptedStream::s_put(const uint8_t* byte, void* ref) {
    return s_write(byte, 1, ref);
}

aErr ScriptedStream::s_close(void* ref) {
    delete static_cast<std::shared_ptr<ScriptedStream>*>(ref);
    return aErrNone;
}

}  // namespace link_test
