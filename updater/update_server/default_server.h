#pragma once

#include <cstdint>

// The update server used when -u does not name another one.
inline constexpr const char* kDefaultServerHost = "updates.norvane.com";
inline constexpr uint16_t kDefaultServerPort = 80;
inline constexpr const char* kDefaultServerBaseUrl = "http://updates.norvane.com/cgi/u";
