// The values a simulated device answers UEI requests with: one property per (command, option,
// index) or, for the subindexed forms, per (command, option, index, subindex), each with the
// width its value travels in.
#pragma once

#include <compare>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "packet.h"

namespace sim {

// Numbers are the bytes a width takes on the wire; Bytes values travel in byte-array runs.
enum class ValueWidth : uint8_t { Void = 0, Byte = 1, Short = 2, Int = 4, Bytes = 5 };

// Bytes a value of this width takes in a single packet (0 for void and byte arrays).
size_t widthBytes(ValueWidth width);

struct PropertyKey {
    uint8_t command = 0;
    uint8_t option = 0;
    uint8_t index = 0;
    std::optional<uint8_t> subindex;

    auto operator<=>(const PropertyKey&) const = default;
};

struct Property {
    ValueWidth width = ValueWidth::Byte;
    bool readable = true;
    bool writable = false;
    uint32_t number = 0;
    Bytes bytes;
    // The width sets carry, when it differs from what gets report.
    std::optional<ValueWidth> setWidth;
    // Runs before a set is stored: a non-zero error code refuses it and nothing is stored.
    std::function<uint8_t(uint32_t number, const Bytes& bytes)> onSet;
    // Answers gets in place of the stored number.
    std::function<uint32_t()> onGet;

    ValueWidth widthOfSets() const { return setWidth.value_or(width); }
    uint32_t current() const { return onGet ? onGet() : number; }
};

class PropertyTable {
public:
    // Adds the property, or replaces the one with the same key.
    void define(const PropertyKey& key, Property property);
    Property* find(const PropertyKey& key);
    void remove(const PropertyKey& key) { properties_.erase(key); }

    // Why a request for `key` has no property: the command, the entity or the option is
    // unknown, or the request's subindexed form is not the property's. kErrNone when it has.
    uint8_t missingReason(const PropertyKey& key) const;
    // Whether the option of this entity is kept per subindex.
    bool isSubindexed(uint8_t command, uint8_t option, uint8_t index) const;
    // The distinct entity indexes of a command.
    uint8_t entityCount(uint8_t command) const;

    // Properties whose command, option and index equal the pattern's, 0xFF matching any.
    std::vector<std::pair<PropertyKey, Property*>> matching(uint8_t command, uint8_t option,
                                                            uint8_t index);

    // The stored values of one entity, and putting such values back (only where a property of
    // that key still exists; nothing is added or removed).
    std::map<PropertyKey, Property> entityValues(uint8_t command, uint8_t index) const;
    void restoreValues(const std::map<PropertyKey, Property>& values);

private:
    std::map<PropertyKey, Property> properties_;
};

}  // namespace sim
