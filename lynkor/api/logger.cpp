// The packet logger: a thread that moves a link's packet debug records into a text file.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "lynkor/aLogger.h"
#include "lynkor/aTime.h"

namespace {

constexpr uint16_t kLoggerCheck = 0x10C6;
// An idle logger looks for new records this often.
constexpr uint32_t kIdlePollMs = 5;
// How long a stop waits for the thread before it leaves it to end on its own.
constexpr auto kStopLimit = std::chrono::seconds(5);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// What the thread uses; it holds it too, so that a thread left behind never touches freed memory.
struct LoggerRun {
    aLinkRef link = 0;
    std::shared_ptr<std::FILE> file;
    std::mutex mutex;
    std::condition_variable ended;
    bool running = true;
    bool hasEnded = false;
};

void s_writeRecord(std::FILE* file, uint8_t mark, const uint8_t* bytes, uint32_t length) {
    std::fprintf(file, "%u %s ", static_cast<unsigned>(length), mark == aLINK_LOG_SENT ? ">" : "<");
    for (uint32_t i = 0; i < length; ++i) {
        if (mark == aLOGGER_TEXT_RECORD) {
            std::fprintf(file, "%c", bytes[i]);
        } else {
            std::fprintf(file, "0x%X ", bytes[i]);
        }
    }
    std::fprintf(file, "\r\n");
}

// Writes the oldest record; false when there is none.
bool s_writeNext(LoggerRun& run) {
    uint8_t record[UINT8_MAX + 1];
    uint8_t mark = 0;
    uint32_t length = sizeof record;
    if (aLink_PacketDebug_Read(run.link, &mark, &length, record) != aErrNone) {
        return false;
    }
    s_writeRecord(run.file.get(), mark, record, length);
    return true;
}

void s_run(std::shared_ptr<LoggerRun> run) {
    while (true) {
        {
            std::lock_guard lock(run->mutex);
            if (!run->running) {
                break;
            }
        }
        if (!s_writeNext(*run)) {
            std::fflush(run->file.get());
            aTime_MSSleep(kIdlePollMs);
        }
    }
    // What was recorded before the stop still belongs in the file.
    while (s_writeNext(*run)) {
    }
    std::fflush(run->file.get());
    std::lock_guard lock(run->mutex);
    run->hasEnded = true;
    run->ended.notify_all();
}

}  // namespace

struct aLogger {
    uint16_t check = kLoggerCheck;
    aLinkRef link = 0;
    std::shared_ptr<std::FILE> file;
    std::shared_ptr<LoggerRun> run;
    std::thread thread;
};

extern "C" {

aLogger* aLogger_Create(aLinkRef link, const char* fileName) {
    if (fileName == nullptr || aLink_GetStatus(link) == STATUS_NO_STREAM) {
        return nullptr;
    }
    std::shared_ptr<std::FILE> file(std::fopen(fileName, "wb"), FileCloser());
    if (file == nullptr) {
        return nullptr;
    }
    auto* logger = new (std::nothrow) aLogger;
    if (logger != nullptr) {
        logger->link = link;
        logger->file = std::move(file);
    }
    return logger;
}

aErr aLogger_Enable(aLogger* logger) {
    if (logger == nullptr || logger->check != kLoggerCheck) {
        return aErrParam;
    }
    if (logger->run != nullptr) {
        return aErrNone;
    }
    auto run = std::make_shared<LoggerRun>();
    run->link = logger->link;
    run->file = logger->file;
    logger->thread = std::thread(s_run, run);
    logger->run = std::move(run);
    return aErrNone;
}

aErr aLogger_Disable(aLogger* logger) {
    if (logger == nullptr || logger->check != kLoggerCheck) {
        return aErrParam;
    }
    if (logger->run == nullptr) {
        return aErrNone;
    }
    std::shared_ptr<LoggerRun> run = std::move(logger->run);
    bool ended = false;
    {
        std::unique_lock lock(run->mutex);
        run->running = false;
        ended = run->ended.wait_for(lock, kStopLimit, [&] { return run->hasEnded; });
    }
    if (ended) {
        logger->thread.join();
        return aErrNone;
    }
    logger->thread.detach();
    return aErrTimeout;
}

aErr aLogger_Destroy(aLogger** logger) {
    if (logger == nullptr || *logger == nullptr || (*logger)->check != kLoggerCheck) {
        return aErrParam;
    }
    aLogger_Disable(*logger);
    (*logger)->check = 0;
    delete *logger;
    *logger = nullptr;
    return aErrNone;
}
}
