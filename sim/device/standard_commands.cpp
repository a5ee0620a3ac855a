#include "standard_commands.h"

#include "protocol_codes.h"
#include "system_entity.h"
#include "uei_responder.h"

namespace sim {

namespace {

template <typename Handler, typename... Args>
Handler* s_install(Device& device, uint8_t command, Args&&... args) {
    auto handler = std::make_unique<Handler>(std::forward<Args>(args)...);
    Handler* kept = handler.get();
    device.setCommandHandler(command, std::move(handler));
    return kept;
}

}  // namespace

StandardCommands::StandardCommands(Device& device, uint8_t routerAddress)
    : slots_(s_install<StoreSlots>(device, kCmdSlot, device)),
      factory_(s_install<FactoryData>(device, kCmdFactory)),
      moduleQueries_(s_install<ModuleQueries>(device, kCmdModule)),
      i2c_(s_install<I2cBus>(device, kCmdI2c)),
      streams_(device),
      entityStore_(device) {
    s_install<EchoCommand>(device, kCmdDebug);
    device.setUeiHandler(std::make_unique<UeiResponder>());
    installSystemEntity(device, routerAddress);
    entityStore_.rememberDefaults();
}

}  // namespace sim
