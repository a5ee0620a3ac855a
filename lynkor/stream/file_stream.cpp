// File streams over the library's file objects: input streams only read, output streams only
// write.
#include <new>

#include "lynkor/aFile.h"
#include "stream/stream_record.h"

namespace {

constexpr size_t kReadChunk = 4096;

struct FileContext {
    aFileHandle* file = nullptr;
    // Input only: bytes read ahead in one call, handed out one by one.
    uint8_t input[kReadChunk]{};
    size_t inputCount = 0;
    size_t inputNext = 0;
};

// The file object's own mark vouches for the context.
FileContext* s_context(void* ref) {
    auto* context = static_cast<FileContext*>(ref);
    return context != nullptr && context->file != nullptr && context->file->check == aFILE_CHECK
               ? context
               : nullptr;
}

aErr s_get(uint8_t* byte, void* ref) {
    FileContext* context = s_context(ref);
    if (context == nullptr || byte == nullptr) {
        return aErrParam;
    }
    if (context->inputNext >= context->inputCount) {
        size_t count = 0;
        aErr result = aFile_Read(context->file, context->input, kReadChunk, &count);
        if (result != aErrNone) {
            return result;
        }
        context->inputCount = count;
        context->inputNext = 0;
    }
    *byte = context->input[context->inputNext++];
    return aErrNone;
}

aErr s_write(const uint8_t* data, size_t length, void* ref) {
    FileContext* context = s_context(ref);
    if (context == nullptr || data == nullptr) {
        return aErrParam;
    }
    size_t count = 0;
    aErr result = aFile_Write(context->file, data, length, &count);
    return result == aErrNone && count == length ? aErrNone : aErrWrite;
}

aErr s_put(const uint8_t* byte, void* ref) {
    return s_write(byte, 1, ref);
}

aErr s_close(void* ref) {
    FileContext* context = s_context(ref);
    if (context == nullptr) {
        return aErrParam;
    }
    aErr result = aFile_Close(&context->file);
    delete context;
    return result;
}

FileContext* s_open(const char* path, int32_t mode) {
    aFileHandle* file = aFile_Open(path, mode);
    if (file == nullptr) {
        return nullptr;
    }
    auto* context = new (std::nothrow) FileContext;
    if (context == nullptr) {
        aFile_Close(&file);
        return nullptr;
    }
    context->file = file;
    return context;
}

}  // namespace

extern "C" {

aErr aStream_CreateFileInput(const char* path, aStream** stream) {
    if (path == nullptr || stream == nullptr) {
        return aErrResource;
    }
    *stream = nullptr;
    FileContext* context = s_open(path, aFILE_MODE_READ);
    if (context == nullptr) {
        return aErrResource;
    }
    return lynkor::makeTransportStream(s_get, nullptr, nullptr, s_close, context, stream);
}

aErr aStream_CreateFileOutput(const char* path, aStream** stream) {
    if (path == nullptr || stream == nullptr) {
        return aErrResource;
    }
    *stream = nullptr;
    FileContext* context = s_open(path, aFILE_MODE_WRITE);
    if (context == nullptr) {
        // A file that cannot be made answers with success and no stream, as callers expect.
        return aErrNone;
    }
    return lynkor::makeTransportStream(nullptr, s_put, s_write, s_close, context, stream);
}

}  // extern "C"
