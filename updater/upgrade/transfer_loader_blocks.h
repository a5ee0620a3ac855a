#pragma once

#include "firmware/bird_file.h"
#include "lynkor/Module.h"
#include "lynkor/aError.h"

class UpdaterDisplayInterface;

// Puts the bird file's loader blocks into the connected device's RAM and starts the loader
// (LOAD). The device may restart to run it: the module is then connected again. A LOAD that
// goes unanswered even then counts as started (an i.MX loader never answers it). The first
// failed block fails the whole, and the loader is then not started. aErrSize for a block too
// short to hold its address, before anything is sent.
aErr transferLoaderBlocks(UpdaterDisplayInterface* display, Norvane::Lynkor::Module* module,
                          const BirdFile& bird);
