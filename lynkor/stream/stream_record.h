#pragma once

#include "lynkor/aStream.h"
#include "stream/push_back_ring.h"

// The stream record behind the opaque aStream handle.
struct aStream {
    uint16_t check = aSTREAM_CHECK;
    aStreamGetProc get = nullptr;
    aStreamPutProc put = nullptr;
    aStreamWriteProc write = nullptr;
    aStreamCloseProc close = nullptr;
    void* ref = nullptr;
    // Belongs to the reading side alone.
    lynkor::PushBackRing pushBack;
};

namespace lynkor {

inline bool isValidStream(const aStream* stream) {
    return stream != nullptr && stream->check == aSTREAM_CHECK;
}

// Wraps a transport context in a stream; on failure the context is closed and aErrResource
// returned, so creators never leak their transport.
aErr makeTransportStream(aStreamGetProc get, aStreamPutProc put, aStreamWriteProc write,
                         aStreamCloseProc close, void* ref, aStream** stream);

}  // namespace lynkor
