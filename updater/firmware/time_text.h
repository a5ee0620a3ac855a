#pragma once

#include <ctime>
#include <string>

// A local time in the 24-character form of ctime, without its line feed:
// "Tue Dec  8 16:40:57 2026". The settings files store times in this form.
std::string ctimeText(std::time_t time);
std::string currentTimeText();
