#include "standard_commands.h"

namespace sim {

void installStandardCommands(Device& device) {
    device.setCommandHandler(kCmdDebug,
                             [](Device& self, const Packet& request, HostConnection& host) {
                                 host.sendPacket(self.reply(request.data));
                             });
}

}  // namespace sim
