#pragma once

#include <cstdint>
#include <string>

#include "update_server/server_replies.h"

class UpdaterApp;
class UpdaterDisplayInterface;

// -B: the builds the update server offers for the device; empty after showing why.
BuildMap listServerBuilds(UpdaterApp& app, uint32_t serialNumber);
// -L: the builds in the device's store directory, each with the version its bird file names.
BuildMap listLocalBuilds(UpdaterApp& app, uint32_t serialNumber);
// Prints a build list, newest version first, each column cut to 15 characters.
void printBuildList(UpdaterDisplayInterface* display, const BuildMap& builds,
                    uint32_t serialNumber);
// -J: the device's feature token from the update server; empty after showing why.
std::string getDeviceToken(UpdaterApp& app, uint32_t serialNumber);
