#include "lynkor/aDefs.h"

#include <array>

namespace {

constexpr uint32_t kFirstNamedModel = 13;
constexpr std::array<const char*, 15> kModelNamesFrom13{
    "Tessel", "Gantry",  "Corbel",  "Plinth",  "Lintel", "Dowel",  "Spandrel", "Mullion",
    "Trestle", "Transom", "Purlin", "Soffit", "Cornice", "Fascia", "Finial"};

}  // namespace

extern "C" const char* aDefs_GetModelName(uint32_t model) {
    if (model == 4) {
        return "Quillon";
    }
    if (model == 5) {
        return "Marrow";
    }
    if (model >= kFirstNamedModel && model - kFirstNamedModel < kModelNamesFrom13.size()) {
        return kModelNamesFrom13[model - kFirstNamedModel];
    }
    return "Unknown";
}
