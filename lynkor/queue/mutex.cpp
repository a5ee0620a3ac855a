#include "lynkor/aMutex.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

struct aMutex {
    std::recursive_mutex lock;
    // Who holds the lock and how deeply; depth is touched only by the holder.
    std::atomic<std::thread::id> owner{};
    uint32_t depth = 0;
    char name[aMUTEX_MAX_NAME + 1] = {};
};

namespace {

// Called with the lock just taken.
void s_enter(aMutex* mutex) {
    if (mutex->depth++ == 0) {
        mutex->owner.store(std::this_thread::get_id());
    }
}

}  // namespace

extern "C" {

aMutex* aMutex_Create(const char* name) {
    const size_t length = name == nullptr ? 0 : std::strlen(name);
    if (length > aMUTEX_MAX_NAME) {
        return nullptr;
    }
    auto* mutex = new (std::nothrow) aMutex;
    if (mutex != nullptr && length > 0) {
        std::memcpy(mutex->name, name, length);
    }
    return mutex;
}

aErr aMutex_Destroy(aMutex** mutex) {
    if (mutex == nullptr || *mutex == nullptr) {
        return aErrParam;
    }
    aMutex* doomed = *mutex;
    if (!doomed->lock.try_lock()) {
        return aErrBusy;
    }
    // The try-lock succeeds for the holder itself too; freeing a lock that its caller still
    // holds would leave that caller's unlock on freed memory.
    const bool heldByCaller = doomed->depth > 0;
    doomed->lock.unlock();
    if (heldByCaller) {
        return aErrBusy;
    }
    delete doomed;
    *mutex = nullptr;
    return aErrNone;
}

aErr aMutex_Lock(aMutex* mutex) {
    if (mutex == nullptr) {
        return aErrParam;
    }
    mutex->lock.lock();
    s_enter(mutex);
    return aErrNone;
}

aErr aMutex_TryLock(aMutex* mutex) {
    if (mutex == nullptr) {
        return aErrParam;
    }
    if (!mutex->lock.try_lock()) {
        return aErrBusy;
    }
    s_enter(mutex);
    return aErrNone;
}

aErr aMutex_Unlock(aMutex* mutex) {
    if (mutex == nullptr) {
        return aErrParam;
    }
    // Releasing a lock that the calling thread does not hold would corrupt it.
    if (mutex->owner.load() != std::this_thread::get_id()) {
        return aErrPermission;
    }
    if (--mutex->depth == 0) {
        mutex->owner.store(std::thread::id{});
    }
    mutex->lock.unlock();
    return aErrNone;
}

const char* aMutex_Identifier(const aMutex* mutex) {
    return mutex == nullptr ? nullptr : mutex->name;
}
}
