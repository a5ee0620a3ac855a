#pragma once

class RequestResult;
class UpdaterApp;
class UpdaterDisplayInterface;

// Shows why a server request failed, on the line after the message that said what failed.
void showFailureReason(UpdaterDisplayInterface* display, const RequestResult& result);

// Asks the update server whether it answers; when it does not, shows "Server request failed for
// <url>" and why.
bool pingServer(UpdaterApp& app);
