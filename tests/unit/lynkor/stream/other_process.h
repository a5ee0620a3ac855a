#pragma once

#include <sys/types.h>

#include <functional>

// Runs `hold` in a child process: it takes some resource and returns true when it holds it,
// after which the child keeps it until this object is destroyed. Fork before the test starts
// any thread of its own.
class OtherProcess {
public:
    explicit OtherProcess(const std::function<bool()>& hold);
    ~OtherProcess();
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;

    // Waits until the child holds the resource; false when it could not.
    bool waitUntilHeld();

private:
    pid_t pid_ = -1;
    int heldFd_ = -1;     // the child writes one byte here once it holds the resource
    int releaseFd_ = -1;  // closing it tells the child to let go and end
};
