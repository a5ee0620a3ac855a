#include "lynkor/aVersion.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The library has one feature.
constexpr char s_featureName[] = "VERSION";
constexpr char s_featureDescription[] = "Version Query API";
constexpr char s_featureSeparator[] = " - ";

}  // namespace

extern "C" {

uint8_t aVersion_GetMajor(void) {
    return aVERSION_MAJOR;
}

uint8_t aVersion_GetMinor(void) {
    return aVERSION_MINOR;
}

uint32_t aVersion_GetPatch(void) {
    return aVERSION_PATCH;
}

const char* aVersion_GetString(void) {
    // A function-local static is built exactly once, even when first calls race.
    static const struct Text {
        char buffer[aVERSION_STRING_SIZE] = {};
        Text() {
            std::snprintf(buffer, sizeof buffer, "%d.%d%s%d", aVERSION_MAJOR, aVERSION_MINOR, ".",
                          aVERSION_PATCH);
        }
    } s_text;
    return s_text.buffer;
}

bool aVersion_IsAtLeastCompare(uint8_t major1, uint8_t minor1, uint8_t patch1, uint8_t major2,
                               uint8_t minor2, uint8_t patch2) {
    if (major1 != major2) {
        return major1 > major2;
    }
    if (minor1 != minor2) {
        return minor1 > minor2;
    }
    return patch1 >= patch2;
}

bool aVersion_IsAtLeast(uint8_t major, uint8_t minor, uint8_t patch) {
    return aVersion_IsAtLeastCompare(aVERSION_MAJOR, aVERSION_MINOR, aVERSION_PATCH, major, minor,
                                     patch);
}

uint32_t aVersion_Pack(uint8_t major, uint8_t minor, uint8_t patch) {
    if (major > 2 || (major == 2 && minor >= 15)) {
        return aVERSION_CURRENT_LAYOUT_BASE + (uint32_t{major} << 16) + (uint32_t{minor} << 8) +
               patch;
    }
    return (uint32_t{major} << 28) + (uint32_t{minor & 0x0Fu} << 24) + patch;
}

bool aVersion_IsLegacyFormat(uint32_t packed) {
    return packed < aVERSION_CURRENT_LAYOUT_BASE;
}

uint8_t aVersion_ParseMajor(uint32_t packed) {
    return static_cast<uint8_t>(aVersion_IsLegacyFormat(packed) ? packed >> 28
                                                                : (packed >> 16) & 0xFF);
}

uint8_t aVersion_ParseMinor(uint32_t packed) {
    return static_cast<uint8_t>(aVersion_IsLegacyFormat(packed) ? (packed >> 24) & 0x0F
                                                                : (packed >> 8) & 0xFF);
}

uint32_t aVersion_ParsePatch(uint32_t packed) {
    return aVersion_IsLegacyFormat(packed) ? packed & 0x00FFFFFF : packed & 0xFF;
}

int aVersion_ParseString(uint32_t packed, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) {
        return -1;
    }
    const int written = std::snprintf(buffer, size, "%d.%d.%u", aVersion_ParseMajor(packed),
                                      aVersion_ParseMinor(packed), aVersion_ParsePatch(packed));
    // A cut-off version text would read as a different version: give none at all.
    if (written < 0 || static_cast<size_t>(written) >= size) {
        buffer[0] = '\0';
        return -1;
    }
    return written;
}

char* aVersion_GetFeatureList(void) {
    const size_t size = sizeof s_featureName + sizeof s_featureSeparator +
                        sizeof s_featureDescription;  // room for the terminator included
    auto* list = static_cast<char*>(std::calloc(size, 1));
    if (list != nullptr) {
        std::snprintf(list, size, "%s%s%s", s_featureName, s_featureSeparator,
                      s_featureDescription);
    }
    return list;
}

void aVersion_DestroyFeatureList(char** list) {
    if (list != nullptr) {
        std::free(*list);
        *list = nullptr;
    }
}

bool aVersion_HasFeature(const char* name) {
    return name != nullptr && std::strcmp(name, s_featureName) == 0;
}
}
