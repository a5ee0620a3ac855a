#pragma once

#include <string>
#include <utility>

// The outcome of one update-server request: success, or why it failed (the transfer library's
// text, the HTTP status, or what the reply lacked), so that the user's message can say why.
class [[nodiscard]] RequestResult {
public:
    static RequestResult success() { return RequestResult(true, {}); }
    static RequestResult failure(std::string reason) {
        return RequestResult(false, std::move(reason));
    }

    explicit operator bool() const { return succeeded_; }
    // Empty on success.
    const std::string& reason() const { return reason_; }

private:
    RequestResult(bool succeeded, std::string reason)
        : succeeded_(succeeded), reason_(std::move(reason)) {}

    bool succeeded_;
    std::string reason_;
};
