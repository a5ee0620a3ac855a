// cmdFACTORY (94): sixteen blocks of factory data, read and written with raw packets. Byte 1
// holds the block number (bits 0-3) and the flags 0x10 write, 0x20 finish, 0x40 first packet.
//   read:   [94, block (| 0x40)]                -> [94, block, up to 26 bytes]; a full packet
//                                                  (28 bytes) means more follows
//   write:  [94, block | 0x10 (| 0x40), <=26 bytes] -> [94, block]
//   finish: [94, 0x20, total (2 bytes)]          -> [94, 0]; a write is kept only when the
//                                                  total matches what was written
// Refusals are [94, block (0 for the finish) | 0x80, code].
#pragma once

#include <array>

#include "device.h"

namespace sim {

class FactoryData : public CommandHandler {
public:
    static constexpr size_t kBlocks = 16;
    static constexpr size_t kMaxBlockBytes = 2048;

    void handle(Device& device, const Packet& request, HostConnection& host) override;
    Bytes errorReply(const Bytes& request, uint8_t code) const override;

    Bytes& block(uint8_t number) { return blocks_[number % kBlocks]; }

private:
    enum class Transfer { None, Reading, Writing };

    Bytes read(uint8_t block, bool first, uint8_t& refusal);
    Bytes write(uint8_t block, bool first, const Bytes& request, uint8_t& refusal);
    Bytes finish(const Bytes& request, uint8_t& refusal);

    std::array<Bytes, kBlocks> blocks_;
    Transfer transfer_ = Transfer::None;
    uint8_t block_ = 0;
    size_t position_ = 0;
    Bytes pending_;
};

}  // namespace sim
