#pragma once

#include <string>

// Writes a demo device into a server root (layout in device_catalog.h): two builds with real
// bird files, the newer one named as the device's build. serialText is hexadecimal.
// Returns false, with the reason on standard error, when it cannot.
bool makeDemoDevice(const std::string& root, const std::string& serialText);
