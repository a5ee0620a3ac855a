#include "connected_module.h"

namespace api_test {

ConnectedModule::ConnectedModule() {
    module.setConfig(directConfig());
    connected = module.connectFromSpec(device.spec());
    entity.init(&module, kEntityCommand, kEntityIndex);
}

}  // namespace api_test
