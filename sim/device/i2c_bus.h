// The I2C entity (command 8, index 0, raw packets): the device's side of the bus that the
// devices behind it sit on. A bus address is present when a device sits behind this one at that
// module address, or when the control socket says so.
//   write:  [8, index, address, n, speed, n bytes]  -> [8, index, address, 0, status]
//   read:   [8, index, address | 1, n, speed]       -> [8, index, address | 1, n, status, n bytes]
//   pullup: [8, index, 1, flag]                     -> [8, index, 1, flag, status]
// status 0 is success; an empty address answers at once with 0x80 | kErrNotFound. Every read
// and write counts as a probe of its bus address and records the speed code it used.
#pragma once

#include <set>

#include "device.h"

namespace sim {

class I2cBus : public CommandHandler {
public:
    static constexpr size_t kMaxTransfer = 23;

    void handle(Device& device, const Packet& request, HostConnection& host) override;
    Bytes errorReply(const Bytes& request, uint8_t code) const override;

    void setPresent(uint8_t address, bool present);
    bool pullup() const { return pullup_; }

private:
    bool present(const Device& device, uint8_t address) const;

    std::set<uint8_t> alsoPresent_;
    bool pullup_ = false;
};

}  // namespace sim
