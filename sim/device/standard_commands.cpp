#include "standard_commands.h"

namespace sim {

void installStandardCommands(Device& device) {
    device.setCommandHandler(kCmdDebug,
                             [](Device& self, const Packet& request, HostConnection& host) {
                                 host.sendPacket(self.reply(request.data));
                             });
    device.setCommandHandler(
        kCmdSystem, [](Device& self, const Packet& request, HostConnection& host) {
            if (request.data == Bytes{kCmdSystem, kUeiGet | kSystemModel, kUeiRequest}) {
                host.sendPacket(self.reply(
                    Bytes{kCmdSystem, kSystemModel, 0, static_cast<uint8_t>(self.config().model)}));
            }
        });
}

}  // namespace sim
