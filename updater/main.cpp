#include <cstdio>

#include "cli/driver.h"
#include "display/cli_display.h"
#include "display/output.h"

int main(int argc, char* argv[]) {
    CLI_Display display;
    setDebugOutput(stderr);
    return runCatchingUnexpected(display, [&] { return runUpdater(argc, argv, display); });
}
