// The update-server stand-in. It answers the tool's six requests on GET /cgi/u from a directory
// of devices (layout in device_catalog.h), listens on 127.0.0.1 at a port the system picks and
// prints that port as its first line, and misbehaves on request (server_options.h) so the tests
// can see the tool cope with every way a real server can fail.
#include <httplib.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "base64_encode.h"
#include "demo_device.h"
#include "device_catalog.h"
#include "server_options.h"

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(10);

std::atomic<bool> g_stopping{false};

struct Reply {
    std::vector<std::string> lines;
};

Reply failure(const std::string& reason) {
    return {{"error", reason}};
}

Reply answer(const DeviceCatalog& catalog, const httplib::Request& request) {
    const std::string op = request.get_param_value("op");
    if (op == "hi") {
        return {{"ok"}};
    }
    if (op == "fix") {
        auto record = catalog.findByFingerprint(request.get_param_value("fp"));
        if (!record) {
            return failure("unknown fingerprint");
        }
        return {{"ok", record->serial, record->latest}};
    }
    auto record = catalog.find(request.get_param_value("sn"));
    if (!record) {
        return failure("unknown device");
    }
    if (op == "qu") {
        return {{"ok", record->latest, record->tag}};
    }
    if (op == "builds") {
        Reply reply{{"ok"}};
        for (const auto& [build, version] : record->builds) {
            reply.lines.push_back(build + ";" + version);
        }
        return reply;
    }
    if (op == "bird") {
        if (request.get_param_value("fw") != record->tag) {
            return failure("wrong firmware tag");
        }
        auto bytes = catalog.birdFile(record->serial, request.get_param_value("bld"));
        if (!bytes) {
            return failure("no such build");
        }
        return {{"ok", base64Encode(*bytes)}};
    }
    if (op == "ent_jwt") {
        if (record->token.empty()) {
            return failure("no token");
        }
        return {{"ok", record->token}};
    }
    return failure("unknown request");
}

void spoilBase64(Reply& reply, const std::string& how) {
    if (reply.lines.size() < 2 || reply.lines[1].size() < 8) {
        return;
    }
    std::string& text = reply.lines[1];
    if (how == "truncate") {
        text.resize(text.size() / 2 / 4 * 4);
    } else if (how == "invalid") {
        text[text.size() / 2] = '*';
    }
}

std::string render(Reply reply, const ReplyFaults& faults, const std::string& op) {
    if (!faults.base64.empty() && op == "bird") {
        spoilBase64(reply, faults.base64);
    }
    if (faults.firstLine && !reply.lines.empty()) {
        reply.lines[0] = *faults.firstLine;
    }
    if (faults.bodyFile) {
        std::ifstream in(*faults.bodyFile, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    std::string body;
    for (const auto& line : reply.lines) {
        body += line + (faults.crlf ? "\r\n" : "\n");
    }
    return body;
}

// Sleeps in short slices so that a stop is never held up; false once the server is stopping.
bool pause(std::chrono::milliseconds duration) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    while (!g_stopping && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kPollInterval);
    }
    return !g_stopping;
}

void handle(const DeviceCatalog& catalog, const ServerOptions& options,
            const httplib::Request& request, httplib::Response& response) {
    if (options.logRequests) {
        std::printf("%s\n", request.target.c_str());
        std::fflush(stdout);
    }
    const std::string op = request.get_param_value("op");
    const bool faulty = options.faults.appliesTo(op);
    ReplyFaults faults = faulty ? options.faults : ReplyFaults{};
    if (faults.stall) {
        while (pause(std::chrono::seconds(1))) {
        }
        return;
    }
    auto body = std::make_shared<std::string>(render(answer(catalog, request), faults, op));
    response.status = faults.status;
    if (faults.slowMilliseconds == 0) {
        response.set_content(*body, "text/plain");
        return;
    }
    response.set_content_provider(
        body->size(), "text/plain",
        [body, faults](size_t offset, size_t length, httplib::DataSink& sink) {
            if (!pause(std::chrono::milliseconds(faults.slowMilliseconds))) {
                return false;
            }
            return sink.write(body->data() + offset, std::min(length, faults.chunkBytes));
        });
}

}  // namespace

int main(int argc, char** argv) {
    auto options = parseServerOptions(argc, argv);
    if (!options) {
        std::fputs(kServerUsage, stderr);
        return 2;
    }
    if (options->demoSerial) {
        return makeDemoDevice(options->root, *options->demoSerial) ? 0 : 1;
    }

    // Only the main thread takes the stop signals; server threads inherit the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<httplib::Server> server;
    if (options->certificate.empty()) {
        server = std::make_unique<httplib::Server>();
    } else {
        server = std::make_unique<httplib::SSLServer>(options->certificate.c_str(),
                                                      options->key.c_str());
    }
    if (!server->is_valid()) {
        std::fprintf(stderr, "update_server: cannot set up the server (certificate?)\n");
        return 1;
    }
    DeviceCatalog catalog(options->root);
    server->Get("/cgi/u", [&](const httplib::Request& request, httplib::Response& response) {
        handle(catalog, *options, request, response);
    });

    int port = server->bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        std::fprintf(stderr, "update_server: cannot bind to 127.0.0.1\n");
        return 1;
    }
    std::printf("%d\n", port);
    std::fflush(stdout);

    std::atomic<bool> listenerDone{false};
    std::thread listener([&] {
        server->listen_after_bind();
        listenerDone = true;
    });
    int received = 0;
    sigwait(&stopSignals, &received);
    g_stopping = true;
    // A stop that comes before the listener runs would be lost, and the join would never end.
    while (!server->is_running() && !listenerDone) {
        std::this_thread::sleep_for(kPollInterval);
    }
    server->stop();
    listener.join();
    return 0;
}
