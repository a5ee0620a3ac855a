#pragma once

// A Module connected over TCP to a device the test plays, with an entity on it.
#include <memory>

#include "lynkor/EntityClass.h"
#include "lynkor/Module.h"
#include "support/direct_links.h"
#include "tcp_device.h"

namespace api_test {

constexpr uint8_t kDeviceAddress = 4;
constexpr uint8_t kEntityCommand = 18;
constexpr uint8_t kEntityIndex = 2;

using testing_support::directConfig;

class TestEntity : public Norvane::Lynkor::EntityClass {
public:
    using EntityClass::getUEI;
    using EntityClass::receivePacket;
    using EntityClass::sendPacket;
    using EntityClass::setUEI;
};

struct ConnectedModule {
    // The Module starts at address 2 and learns the device's address on connecting.
    ConnectedModule();
    TcpDevice device{kDeviceAddress};
    Norvane::Lynkor::Module module{2, 0};
    TestEntity entity;
    aErr connected = aErrUnknown;
};

}  // namespace api_test
