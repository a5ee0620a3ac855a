#include "property_table.h"

#include <set>

#include "protocol_codes.h"

namespace sim {

namespace {

constexpr uint8_t kWildcard = 0xFF;

bool s_matches(uint8_t pattern, uint8_t value) {
    return pattern == kWildcard || pattern == value;
}

}  // namespace

size_t widthBytes(ValueWidth width) {
    switch (width) {
        case ValueWidth::Byte:
            return 1;
        case ValueWidth::Short:
            return 2;
        case ValueWidth::Int:
            return 4;
        case ValueWidth::Void:
        case ValueWidth::Bytes:
            break;
    }
    return 0;
}

void PropertyTable::define(const PropertyKey& key, Property property) {
    properties_.insert_or_assign(key, std::move(property));
}

Property* PropertyTable::find(const PropertyKey& key) {
    auto found = properties_.find(key);
    return found == properties_.end() ? nullptr : &found->second;
}

uint8_t PropertyTable::missingReason(const PropertyKey& key) const {
    if (properties_.contains(key)) {
        return kErrNone;
    }
    bool command = false;
    bool entity = false;
    bool option = false;
    for (const auto& [other, property] : properties_) {
        if (other.command != key.command) {
            continue;
        }
        command = true;
        if (other.index == key.index) {
            entity = true;
            option = option || other.option == key.option;
        }
    }
    if (!command) {
        return kErrInvalidEntity;
    }
    if (!entity) {
        return kErrIndexRange;
    }
    // The option exists, but not with this subindex (or not in this form).
    return option ? kErrIndexRange : kErrInvalidOption;
}

bool PropertyTable::isSubindexed(uint8_t command, uint8_t option, uint8_t index) const {
    auto first = properties_.lower_bound(PropertyKey{command, option, index, uint8_t{0}});
    return first != properties_.end() && first->first.command == command &&
           first->first.option == option && first->first.index == index;
}

uint8_t PropertyTable::entityCount(uint8_t command) const {
    std::set<uint8_t> indexes;
    for (const auto& [key, property] : properties_) {
        if (key.command == command) {
            indexes.insert(key.index);
        }
    }
    return static_cast<uint8_t>(indexes.size());
}

std::vector<std::pair<PropertyKey, Property*>> PropertyTable::matching(uint8_t command,
                                                                       uint8_t option,
                                                                       uint8_t index) {
    std::vector<std::pair<PropertyKey, Property*>> found;
    for (auto& [key, property] : properties_) {
        if (s_matches(command, key.command) && s_matches(option, key.option) &&
            s_matches(index, key.index)) {
            found.emplace_back(key, &property);
        }
    }
    return found;
}

std::map<PropertyKey, Property> PropertyTable::entityValues(uint8_t command, uint8_t index) const {
    std::map<PropertyKey, Property> values;
    for (const auto& [key, property] : properties_) {
        if (key.command == command && key.index == index) {
            values.emplace(key, property);
        }
    }
    return values;
}

void PropertyTable::restoreValues(const std::map<PropertyKey, Property>& values) {
    for (const auto& [key, saved] : values) {
        if (Property* property = find(key)) {
            property->number = saved.number;
            property->bytes = saved.bytes;
        }
    }
}

}  // namespace sim
