// The stream record and the reads and writes that every transport shares.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "stream/stream_record.h"

namespace lynkor {

aErr makeTransportStream(aStreamGetProc get, aStreamPutProc put, aStreamWriteProc write,
                         aStreamCloseProc close, void* ref, aStream** stream) {
    *stream = aStream_Create(get, put, write, close, ref);
    if (*stream == nullptr) {
        if (close != nullptr) {
            close(ref);
        }
        return aErrResource;
    }
    return aErrNone;
}

}  // namespace lynkor

namespace {

constexpr size_t kLocalReadSize = 64;

bool s_isDelimiterPrefix(const std::vector<uint8_t>& candidate, const uint8_t* delimiter) {
    return std::memcmp(candidate.data(), delimiter, candidate.size()) == 0;
}

}  // namespace

extern "C" {

aStream* aStream_Create(aStreamGetProc get, aStreamPutProc put, aStreamWriteProc write,
                        aStreamCloseProc close, void* ref) {
    auto* stream = new (std::nothrow) aStream;
    if (stream == nullptr) {
        return nullptr;
    }
    stream->get = get;
    stream->put = put;
    stream->write = write;
    stream->close = close;
    stream->ref = ref;
    return stream;
}

aErr aStream_Destroy(aStream** stream) {
    if (stream == nullptr) {
        return aErrParam;
    }
    aStream* record = *stream;
    *stream = nullptr;
    if (!lynkor::isValidStream(record)) {
        return aErrParam;
    }
    aErr result = aErrNone;
    if (record->close != nullptr) {
        result = record->close(record->ref);
    }
    // Clear the mark so that a dangling handle to the freed record is not taken for a stream.
    record->check = 0;
    delete record;
    return result;
}

aErr aStream_Read(aStream* stream, uint8_t* buffer, size_t count) {
    if (!lynkor::isValidStream(stream) || buffer == nullptr) {
        return aErrParam;
    }
    if (stream->get == nullptr) {
        return aErrMode;
    }
    // The link reader reads one byte per call: short reads gather on the stack, not in a heap
    // block per call.
    uint8_t local[kLocalReadSize];
    std::vector<uint8_t> large;
    uint8_t* taken = local;
    if (count > kLocalReadSize) {
        try {
            large.resize(count);
        } catch (const std::bad_alloc&) {
            return aErrResource;
        }
        taken = large.data();
    }
    size_t got = 0;
    while (got < count) {
        if (stream->pushBack.take(&taken[got])) {
            ++got;
            continue;
        }
        aErr result = stream->get(&taken[got], stream->ref);
        if (result == aErrNone) {
            ++got;
            continue;
        }
        if (result == aErrNotReady) {
            // All or nothing: keep what came for the caller's next try.
            stream->pushBack.append(taken, got);
        } else if (result == aErrEOF) {
            std::copy_n(taken, got, buffer);
        }
        return result;
    }
    std::copy_n(taken, count, buffer);
    return aErrNone;
}

aErr aStream_Write(aStream* stream, const uint8_t* buffer, size_t count) {
    if (!lynkor::isValidStream(stream) || buffer == nullptr) {
        return aErrParam;
    }
    if (stream->write != nullptr && count > 1) {
        return stream->write(buffer, count, stream->ref);
    }
    if (stream->put == nullptr) {
        return aErrMode;
    }
    for (size_t i = 0; i < count; ++i) {
        aErr result = stream->put(&buffer[i], stream->ref);
        if (result != aErrNone) {
            return result;
        }
    }
    return aErrNone;
}

aErr aStream_ReadRecord(aStream* stream, uint8_t* buffer, size_t* length, size_t capacity,
                        const uint8_t* delimiter, size_t delimiterLength) {
    if (!lynkor::isValidStream(stream) || buffer == nullptr || delimiter == nullptr ||
        delimiterLength == 0) {
        return aErrParam;
    }
    // Every byte taken is either stored or part of a delimiter match still open, in stream
    // order; so whatever ends the read early can give all of them back.
    std::vector<uint8_t> stored;
    std::vector<uint8_t> matched;
    while (stored.size() < capacity && matched.size() < delimiterLength) {
        uint8_t byte = 0;
        aErr result = aStream_Read(stream, &byte, 1);
        if (result == aErrEOF) {
            stored.insert(stored.end(), matched.begin(), matched.end());
            matched.clear();
            if (stored.empty()) {
                if (length != nullptr) {
                    *length = 0;
                }
                return aErrEOF;
            }
            break;
        }
        if (result == aErrNotReady) {
            stream->pushBack.prepend(matched.data(), matched.size());
            stream->pushBack.prepend(stored.data(), stored.size());
            return aErrNotReady;
        }
        if (result != aErrNone) {
            return result;
        }
        // A broken partial match is data: move its bytes to the record until what is left
        // still starts the delimiter.
        matched.push_back(byte);
        while (!matched.empty() && !s_isDelimiterPrefix(matched, delimiter)) {
            stored.push_back(matched.front());
            matched.erase(matched.begin());
        }
    }
    // A record cut at its capacity leaves what was read beyond it, delimiter bytes included,
    // in the stream.
    const size_t kept = std::min(capacity, stored.size());
    if (stored.size() > kept || matched.size() < delimiterLength) {
        std::vector<uint8_t> rest(stored.begin() + static_cast<std::ptrdiff_t>(kept), stored.end());
        rest.insert(rest.end(), matched.begin(), matched.end());
        stored.resize(kept);
        stream->pushBack.prepend(rest.data(), rest.size());
    }
    std::copy(stored.begin(), stored.end(), buffer);
    if (length != nullptr) {
        *length = stored.size();
    }
    return aErrNone;
}

aErr aStream_ReadCStringRecord(aStream* stream, char* buffer, size_t bufferSize,
                               const char* delimiter) {
    if (buffer == nullptr || bufferSize == 0 || delimiter == nullptr) {
        return aErrParam;
    }
    size_t length = 0;
    aErr result =
        aStream_ReadRecord(stream, reinterpret_cast<uint8_t*>(buffer), &length, bufferSize - 1,
                           reinterpret_cast<const uint8_t*>(delimiter), std::strlen(delimiter));
    if (result == aErrNone || result == aErrEOF) {
        buffer[length] = '\0';
    }
    return result;
}

aErr aStream_ReadCString(aStream* stream, char* buffer, size_t bufferSize) {
    if (buffer == nullptr || bufferSize == 0) {
        return aErrParam;
    }
    const uint8_t terminator = 0;
    size_t length = 0;
    aErr result = aStream_ReadRecord(stream, reinterpret_cast<uint8_t*>(buffer), &length,
                                     bufferSize - 1, &terminator, 1);
    if (result == aErrNone || result == aErrEOF) {
        buffer[length] = '\0';
    }
    return result;
}

aErr aStream_WriteRecord(aStream* stream, const uint8_t* data, size_t dataLength,
                         const uint8_t* delimiter, size_t delimiterLength) {
    if (delimiter == nullptr) {
        return aErrParam;
    }
    aErr result = aStream_Write(stream, data, dataLength);
    if (result != aErrNone) {
        return result;
    }
    return aStream_Write(stream, delimiter, delimiterLength);
}

aErr aStream_WriteCString(aStream* stream, const char* string) {
    if (string == nullptr) {
        return aErrParam;
    }
    return aStream_Write(stream, reinterpret_cast<const uint8_t*>(string), std::strlen(string) + 1);
}

aErr aStream_WriteCStringRecord(aStream* stream, const char* string, const char* delimiter) {
    if (string == nullptr || delimiter == nullptr) {
        return aErrParam;
    }
    return aStream_WriteRecord(stream, reinterpret_cast<const uint8_t*>(string),
                               std::strlen(string), reinterpret_cast<const uint8_t*>(delimiter),
                               std::strlen(delimiter) + 1);
}

aErr aStream_Flush(aStream* from, aStream* to) {
    if (!lynkor::isValidStream(from) || !lynkor::isValidStream(to)) {
        return aErrParam;
    }
    if (from->get == nullptr || to->put == nullptr) {
        return aErrMode;
    }
    for (;;) {
        uint8_t byte = 0;
        // Bytes given back by an earlier read come first, so nothing is copied out of order.
        if (!from->pushBack.take(&byte)) {
            aErr result = from->get(&byte, from->ref);
            if (result == aErrEOF) {
                return aErrNone;
            }
            if (result != aErrNone) {
                return result;
            }
        }
        aErr result = to->put(&byte, to->ref);
        if (result != aErrNone) {
            return result;
        }
    }
}

}  // extern "C"
