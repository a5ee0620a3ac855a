#include "connected_module.h"

namespace api_test {

Norvane::Lynkor::TethraConfig directConfig() {
    Norvane::Lynkor::TethraConfig config;
    config.enabled = false;
    config.fallback = false;
    return config;
}

ConnectedModule::ConnectedModule() {
    module.setConfig(directConfig());
    connected = module.connectFromSpec(device.spec());
    entity.init(&module, kEntityCommand, kEntityIndex);
}

}  // namespace api_test
