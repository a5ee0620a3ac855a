// File streams: input streams only read, output streams only write.
#include <cstdio>
#include <new>

#include "stream/stream_record.h"

namespace {

constexpr uint16_t kFileContextCheck = 0xFEED;

struct FileContext {
    uint16_t check = kFileContextCheck;
    std::FILE* file = nullptr;
};

FileContext* s_context(void* ref) {
    auto* context = static_cast<FileContext*>(ref);
    if (context == nullptr || context->check != kFileContextCheck || context->file == nullptr) {
        return nullptr;
    }
    return context;
}

aErr s_get(uint8_t* byte, void* ref) {
    FileContext* context = s_context(ref);
    if (context == nullptr || byte == nullptr) {
        return aErrParam;
    }
    int value = std::fgetc(context->file);
    if (value == EOF) {
        return std::ferror(context->file) ? aErrIO : aErrEOF;
    }
    *byte = static_cast<uint8_t>(value);
    return aErrNone;
}

aErr s_write(const uint8_t* data, size_t length, void* ref) {
    FileContext* context = s_context(ref);
    if (context == nullptr || data == nullptr) {
        return aErrParam;
    }
    return std::fwrite(data, 1, length, context->file) == length ? aErrNone : aErrWrite;
}

aErr s_put(const uint8_t* byte, void* ref) {
    return s_write(byte, 1, ref);
}

aErr s_close(void* ref) {
    FileContext* context = s_context(ref);
    if (context == nullptr) {
        return aErrParam;
    }
    // Buffered bytes that cannot reach the file are a failed write, not a quiet loss.
    aErr result = std::fclose(context->file) == 0 ? aErrNone : aErrWrite;
    context->check = 0;
    delete context;
    return result;
}

aErr s_open(const char* path, const char* mode, FileContext** context) {
    std::FILE* file = std::fopen(path, mode);
    if (file == nullptr) {
        return aErrNotFound;
    }
    *context = new (std::nothrow) FileContext;
    if (*context == nullptr) {
        std::fclose(file);
        return aErrMemory;
    }
    (*context)->file = file;
    return aErrNone;
}

}  // namespace

extern "C" {

aErr aStream_CreateFileInput(const char* path, aStream** stream) {
    if (path == nullptr || stream == nullptr) {
        return aErrResource;
    }
    *stream = nullptr;
    FileContext* context = nullptr;
    if (s_open(path, "rb", &context) != aErrNone) {
        return aErrResource;
    }
    return lynkor::makeTransportStream(s_get, nullptr, nullptr, s_close, context, stream);
}

aErr aStream_CreateFileOutput(const char* path, aStream** stream) {
    if (path == nullptr || stream == nullptr) {
        return aErrResource;
    }
    *stream = nullptr;
    FileContext* context = nullptr;
    if (s_open(path, "wb", &context) != aErrNone) {
        // A file that cannot be made answers with success and no stream, as callers expect.
        return aErrNone;
    }
    return lynkor::makeTransportStream(nullptr, s_put, s_write, s_close, context, stream);
}

}  // extern "C"
