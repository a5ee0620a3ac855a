#pragma once

// Packets and frames for the device server's tests.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "server/wire_packet.h"

namespace server_test {

using Bytes = std::vector<uint8_t>;

inline Bytes frame(uint8_t address, std::initializer_list<uint8_t> data) {
    Bytes bytes{address, static_cast<uint8_t>(data.size())};
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

inline lynkor::server::WirePacket wire(const Bytes& bytes) {
    return *lynkor::server::parsePacketFrame(bytes);
}

// One packet of a client's byte run: a typed set (command 0x10) with 24 payload bytes and the
// trailer; the last packet carries fewer bytes unless `full`.
inline Bytes runFrame(uint8_t sequence, bool more, bool full = true, uint8_t address = 4) {
    Bytes bytes{address, 0, 0x10, 0x81, 0x20};
    bytes.resize(full ? 29 : 10, sequence);
    bytes.push_back(static_cast<uint8_t>((more ? 0x80 : 0) | (sequence & 0x7F)));
    bytes[1] = static_cast<uint8_t>(bytes.size() - 2);
    return bytes;
}

}  // namespace server_test
