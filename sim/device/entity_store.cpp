#include "entity_store.h"

#include "protocol_codes.h"

namespace sim {

namespace {

constexpr uint8_t kSave = 0;
constexpr uint8_t kReset = 1;
constexpr uint8_t kLoad = 2;

}  // namespace

EntityStore::EntityStore(Device& device) : device_(device) {
    for (uint8_t option : {kSave, kReset, kLoad}) {
        Property property;
        property.width = ValueWidth::Int;
        property.readable = false;
        property.writable = true;
        property.onSet = [this, option](uint32_t entity, const Bytes&) {
            return run(option, entity);
        };
        device_.properties().define({kCmdStore, option, 0, std::nullopt}, std::move(property));
    }
}

void EntityStore::rememberDefaults() {
    defaults_ = device_.properties();
}

uint8_t EntityStore::run(uint8_t option, uint32_t entity) {
    const uint8_t command = static_cast<uint8_t>(entity >> 8);
    const uint8_t index = static_cast<uint8_t>(entity);
    PropertyTable& table = device_.properties();
    Values current = table.entityValues(command, index);
    if (current.empty()) {
        return kErrInvalidEntity;
    }
    DeviceStats& stats = device_.counters();
    if (option == kSave) {
        saved_[{command, index}] = std::move(current);
        ++stats.storeSaves;
    } else if (option == kReset) {
        table.restoreValues(defaults_.entityValues(command, index));
        ++stats.storeResets;
    } else {
        auto saved = saved_.find({command, index});
        if (saved == saved_.end()) {
            return kErrNotFound;
        }
        table.restoreValues(saved->second);
        ++stats.storeLoads;
    }
    return kErrNone;
}

}  // namespace sim
