#include "packet.h"

namespace sim {

Bytes Packet::wire() const {
    Bytes bytes;
    bytes.reserve(data.size() + 2);
    bytes.push_back(address);
    bytes.push_back(static_cast<uint8_t>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

}  // namespace sim
