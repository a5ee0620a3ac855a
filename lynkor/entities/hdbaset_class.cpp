#include "lynkor/entities/HDBaseTClass.h"

#include "entities/entity_shapes.h"

namespace Norvane::Lynkor {

namespace {

using namespace lynkor::entities;

enum Option : uint8_t {
    kSerialNumber = 1,
    kFirmwareVersion = 2,
    kState = 3,
    kCableLength = 4,
    kMSEA = 5,
    kMSEB = 6,
    kRetransmissionRate = 7,
    kLinkUtilization = 8,
    kEncodingState = 9,
    kUSB2DeviceTree = 10,
    kUSB3DeviceTree = 11,
    kLinkRole = 12,
};

}  // namespace

HDBaseTClass::HDBaseTClass() = default;

HDBaseTClass::~HDBaseTClass() = default;

void HDBaseTClass::init(Module* module, uint8_t index) {
    EntityClass::init(module, kCommand, index);
}

aErr HDBaseTClass::getSerialNumber(uint8_t* buffer, uint32_t size, uint32_t* length) {
    return getBytes(*this, kSerialNumber, buffer, size, length);
}

aErr HDBaseTClass::getFirmwareVersion(uint32_t* firmwareVersion) {
    return getUEI32(kFirmwareVersion, firmwareVersion);
}

aErr HDBaseTClass::getState(uint32_t* state) {
    return getUEI32(kState, state);
}

aErr HDBaseTClass::getCableLength(uint32_t* cableLength) {
    return getUEI32(kCableLength, cableLength);
}

aErr HDBaseTClass::getMSEA(int32_t* msea) {
    return getSigned(*this, kMSEA, msea);
}

aErr HDBaseTClass::getMSEB(int32_t* mseb) {
    return getSigned(*this, kMSEB, mseb);
}

aErr HDBaseTClass::getRetransmissionRate(uint32_t* retransmissionRate) {
    return getUEI32(kRetransmissionRate, retransmissionRate);
}

aErr HDBaseTClass::getLinkUtilization(uint32_t* linkUtilization) {
    return getUEI32(kLinkUtilization, linkUtilization);
}

aErr HDBaseTClass::getEncodingState(uint8_t* encodingState) {
    return getUEI8(kEncodingState, encodingState);
}

aErr HDBaseTClass::getUSB2DeviceTree(uint8_t* buffer, uint32_t size, uint32_t* length) {
    return getBytes(*this, kUSB2DeviceTree, buffer, size, length);
}

aErr HDBaseTClass::getUSB3DeviceTree(uint8_t* buffer, uint32_t size, uint32_t* length) {
    return getBytes(*this, kUSB3DeviceTree, buffer, size, length);
}

aErr HDBaseTClass::getLinkRole(uint8_t* linkRole) {
    return getUEI8(kLinkRole, linkRole);
}

aErr HDBaseTClass::setLinkRole(uint8_t linkRole) {
    return setUEI8(kLinkRole, linkRole);
}

}  // namespace Norvane::Lynkor
