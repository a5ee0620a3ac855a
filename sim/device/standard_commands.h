// What every simulated device answers beyond the link level, whatever its model: the system
// entity, the UEI responder, module queries, the echo, store slots, factory data, entity store
// operations, streaming and the I2C bus. Keeps handles on the parts the control socket drives.
#pragma once

#include <memory>

#include "device.h"
#include "entity_store.h"
#include "factory_data.h"
#include "i2c_bus.h"
#include "link_streams.h"
#include "module_queries.h"
#include "store_slots.h"

namespace sim {

class StandardCommands {
public:
    // `routerAddress`: the module address of the router the device sits behind, or its own.
    StandardCommands(Device& device, uint8_t routerAddress);

    StoreSlots& slots() { return *slots_; }
    FactoryData& factory() { return *factory_; }
    ModuleQueries& moduleQueries() { return *moduleQueries_; }
    I2cBus& i2c() { return *i2c_; }
    LinkStreams& streams() { return streams_; }

private:
    // Owned by the device's handler table.
    StoreSlots* slots_;
    FactoryData* factory_;
    ModuleQueries* moduleQueries_;
    I2cBus* i2c_;
    LinkStreams streams_;
    EntityStore entityStore_;
};

}  // namespace sim
