#include "lynkor/aLinkSpec.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

// The record's bytes are its wire form in beacons and in the device server.
static_assert(sizeof(linkSpec) == aLINKSPEC_SIZE, "linkSpec must be 128 bytes");
static_assert(offsetof(linkSpec, ip_address) == 24, "the transport union starts at offset 24");
static_assert(offsetof(linkSpec, ip_port) == 28);
static_assert(offsetof(linkSpec, serial_port) == 28);

extern "C" {

linkSpec* aLinkSpec_Create(linkType type) {
    auto* spec = static_cast<linkSpec*>(std::calloc(1, sizeof(linkSpec)));
    if (spec != nullptr) {
        spec->type = type;
    }
    return spec;
}

linkSpec* aLinkSpec_Copy(linkSpec spec) {
    auto* copy = static_cast<linkSpec*>(std::malloc(sizeof(linkSpec)));
    if (copy != nullptr) {
        std::memcpy(copy, &spec, sizeof(linkSpec));
    }
    return copy;
}

aErr aLinkSpec_Destroy(linkSpec** spec) {
    if (spec == nullptr || *spec == nullptr) {
        return aErrParam;
    }
    std::free(*spec);
    *spec = nullptr;
    return aErrNone;
}

}
