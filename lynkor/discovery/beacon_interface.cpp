// The beacon interface is one process-wide setting of czmq; this lock lets one beacon exchange
// at a time set it, use it and put it back.
#include <arpa/inet.h>
#include <czmq.h>
#include <pthread.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "discovery/messaging_library.h"
#include "lynkor/aDiscovery.h"

namespace {

constexpr size_t kBackupReserve = 100;

// Error-checking, so that an unlock by a thread that does not hold the lock is refused and
// reported instead of corrupting the lock.
pthread_mutex_t s_interfaceLock = PTHREAD_ERRORCHECK_MUTEX_INITIALIZER_NP;
// Only the holder may restore the interface.
thread_local bool s_holdsLock = false;

// A second lock by the holder is refused rather than deadlocking.
bool s_lock() {
    if (s_holdsLock) {
        return false;
    }
    s_holdsLock = pthread_mutex_lock(&s_interfaceLock) == 0;
    return s_holdsLock;
}

int s_unlock() {
    if (!s_holdsLock) {
        return EPERM;
    }
    s_holdsLock = false;
    return pthread_mutex_unlock(&s_interfaceLock);
}

std::string& s_backup() {
    static std::string backup = [] {
        std::string text;
        text.reserve(kBackupReserve);
        return text;
    }();
    return backup;
}

bool s_acceptable(const char* text) {
    if (text == nullptr) {
        return false;
    }
    in_addr address{};
    return text[0] == '\0' || std::strcmp(text, "*") == 0 ||
           ::inet_pton(AF_INET, text, &address) == 1;
}

const char* s_current() {
    lynkor::discovery::prepareMessagingLibrary();
    return zsys_interface();
}

void s_set(const char* text) {
    lynkor::discovery::prepareMessagingLibrary();
    zsys_set_interface(text);
}

}  // namespace

extern "C" {

bool zBeaconInterface_setAndLock(const char* interfaceText) {
    if (!s_acceptable(interfaceText) || !s_lock()) {
        return false;
    }
    s_set(interfaceText);
    return true;
}

bool zBeaconInterface_backupSetAndLock(const char* interfaceText) {
    if (!s_acceptable(interfaceText) || !s_lock()) {
        return false;
    }
    s_backup() = s_current();
    s_set(interfaceText);
    return true;
}

int zBeaconInterface_restoreAndUnlock(void) {
    if (!s_holdsLock) {
        return EPERM;
    }
    s_set(s_backup().c_str());
    return s_unlock();
}

int zBeaconInterface_unlock(void) {
    return s_unlock();
}

const char* zBeaconInterface_get(void) {
    return s_current();
}

const char* zBeaconInterface_getAndLock(void) {
    s_lock();
    return s_current();
}

const char* zBeaconInterface_getBackup(void) {
    return s_backup().c_str();
}

const char* zBeaconInterface_getBackupAndLock(void) {
    s_lock();
    return s_backup().c_str();
}
}
