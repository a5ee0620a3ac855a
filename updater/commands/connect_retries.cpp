#include "commands/connect_retries.h"

#include "display/output.h"
#include "lynkor/aTime.h"

namespace {

// Every how many attempts the diagnostic says that the bus is looked at afresh.
constexpr int kRefreshEvery = 3;

}  // namespace

bool connectWithRetries(Norvane::Lynkor::Module& module, const ConnectAttempt& attempt,
                        const ConnectRetries& retries) {
    for (int number = 1; number <= retries.attempts; ++number) {
        if (number % kRefreshEvery == 0) {
            debugPrintf(DEBUG_APP,
                        "Failed enumeration after 3 tries, refreshing libusb context.\n");
        }
        if (attempt(module) == aErrNone && module.isConnected()) {
            return true;
        }
        module.disconnect();
        if (number < retries.attempts) {
            aTime_MSSleep(retries.pauseMs);
        }
    }
    return false;
}
