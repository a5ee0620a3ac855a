#include "lynkor/entities/AppClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

enum Option : uint8_t {
    kExecute = 1,
    kResult = 2,
};

}  // namespace

AppClass::AppClass() = default;

AppClass::~AppClass() = default;

void AppClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr AppClass::execute(uint32_t parameter) {
    return setUEI32(kExecute, parameter);
}

aErr AppClass::execute(uint32_t parameter, uint32_t* result, uint32_t timeoutMs) {
    if (result == nullptr) {
        return aErrParam;
    }
    // A result left from an earlier run must not pass for this one's.
    aErr outcome = drainUEI(kResult);
    if (outcome == aErrNone) {
        outcome = setUEI32(kExecute, parameter);
    }
    return outcome == aErrNone ? awaitUEI32Val(kResult, result, timeoutMs) : outcome;
}

}  // namespace Norvane::Lynkor
