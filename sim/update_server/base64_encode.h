#pragma once

#include <string>
#include <string_view>

// Standard Base64 with "=" padding, as the update server sends bird files.
std::string base64Encode(std::string_view bytes);
