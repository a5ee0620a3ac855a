// Collects what an enumeration reports.
#pragma once

#include <vector>

#include "lynkor/aDiscovery.h"

namespace discovery_test {

struct Records {
    std::vector<linkSpec> specs;
    size_t stopAfter = 0;  // 0: never stop

    static bool collect(const linkSpec* spec, bool* found, void* user) {
        auto* self = static_cast<Records*>(user);
        self->specs.push_back(*spec);
        *found = true;
        return self->stopAfter == 0 || self->specs.size() < self->stopAfter;
    }
};

}  // namespace discovery_test
