#pragma once

#include <string>
#include <utility>
#include <vector>

#include "update_server/server_replies.h"

// The ordering of build lists: newest version first. Versions are "major.minor.patch"; each part
// counts modulo 256, as the devices store it. A version that does not read as three numbers
// sorts after every one that does, and such versions are equal among themselves, so the order
// is a strict weak ordering whatever the server sends.
bool sortVersion(const std::string& first, const std::string& second);

// The build map as (build, version) pairs, newest version first; builds of equal version keep
// their map order.
std::vector<std::pair<std::string, std::string>> sortedBuildList(const BuildMap& builds);
