#pragma once

// Runs the real updater against the real update-server program on loopback, each test with its
// own server root and its own home directory.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/bird_file_builder.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace server_e2e {

inline const std::string kSerial = "40F5849A";
inline const std::string kVersionLine = "Updater (Version: 2.12.0 Dec  4 2025)\n";

// A small but realistic bird file; its images must not compress too well, as real ones do not.
inline std::vector<uint8_t> birdBytes(const std::string& version, uint32_t seed) {
    return testing_support::BirdFileBuilder()
        .information("Norvane", version, kSerial, "USBHub3c")
        .firmware(0x8000, testing_support::BirdFileBuilder::noiseImage(2048, seed))
        .fileBytes();
}

class UpdateServerTest : public ::testing::Test {
protected:
    // device.conf of a device the server knows (layout in sim/update_server/device_catalog.h).
    void writeDevice(const std::string& serial, const std::string& conf) {
        std::filesystem::create_directories(serverRoot.file(serial));
        testing_support::writeFile(serverRoot.file(serial + "/device.conf"), conf);
    }

    std::vector<uint8_t> writeBird(const std::string& serial, const std::string& build,
                                   const std::string& version, uint32_t seed = 1) {
        std::filesystem::create_directories(serverRoot.file(serial));
        auto bytes = birdBytes(version, seed);
        testing_support::writeFile(serverRoot.file(serial + "/" + build + ".bird"),
                                   std::string(bytes.begin(), bytes.end()));
        return bytes;
    }

    // The usual device: build 1234 named by the server, builds 1234 and 1200 listed.
    std::vector<uint8_t> writeStandardDevice() {
        writeDevice(kSerial,
                    "latest=1234\ntag=prod\nbuild=1234;1.2.3\nbuild=1200;1.1.0\ntoken=aa.bb.cc\n");
        writeBird(kSerial, "1200", "1.1.0", 2);
        return writeBird(kSerial, "1234", "1.2.3", 1);
    }

    void startServer(const std::vector<std::string>& options = {},
                     const std::string& scheme = "http") {
        std::vector<std::string> argv{testing_support::programPath("update_server"), "--root",
                                      serverRoot.path(), "--log-requests"};
        argv.insert(argv.end(), options.begin(), options.end());
        server = std::make_unique<testing_support::ChildProcess>(argv);
        port = server->readLine();
        ASSERT_FALSE(port.empty()) << "the update server did not start";
        url = scheme + "://127.0.0.1:" + port + "/cgi/u";
    }

    // The request targets the server has logged so far.
    std::vector<std::string> requests() {
        std::vector<std::string> lines;
        for (std::string line;
             !(line = server->readLine(std::chrono::milliseconds(200))).empty();) {
            lines.push_back(line);
        }
        return lines;
    }

    testing_support::ProcessResult runUpdater(
        std::vector<std::string> arguments,
        std::chrono::seconds timeout = std::chrono::seconds(30)) {
        std::vector<std::string> argv{testing_support::programPath("updater")};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        argv.push_back("-u");
        argv.push_back(url);
        testing_support::ProcessOptions options;
        options.environment = environment;
        options.environment.push_back("HOME=" + home.path());
        options.timeout = timeout;
        return testing_support::runProcess(argv, options);
    }

    std::string deviceDirectory(const std::string& serial = kSerial) const {
        return home.path() + "/.norvane/updater/" + serial;
    }

    // Set for every updater run beside HOME.
    std::vector<std::string> environment;
    testing_support::TempDir serverRoot;
    testing_support::TempDir home;
    std::unique_ptr<testing_support::ChildProcess> server;
    std::string port;
    std::string url;
};

}  // namespace server_e2e
