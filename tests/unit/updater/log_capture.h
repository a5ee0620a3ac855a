#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "display/output.h"

// Collects the diagnostics of the given categories while it lives.
class LogCapture {
public:
    explicit LogCapture(uint32_t categories) {
        addDebugMask(categories);
        stream_ = open_memstream(&buffer_, &size_);
        setDebugOutput(stream_);
    }
    ~LogCapture() {
        setDebugOutput(stderr);
        std::fclose(stream_);
        std::free(buffer_);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string text() {
        std::fflush(stream_);
        return std::string(buffer_, size_);
    }
    bool contains(const std::string& part) { return text().find(part) != std::string::npos; }

private:
    char* buffer_ = nullptr;
    size_t size_ = 0;
    FILE* stream_ = nullptr;
};
