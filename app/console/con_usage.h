// The usage banner that the console program prints when its command line cannot be used.
#pragma once

#include <string>

// The banner for program version major.minor, lines joined by line feeds.
std::string con_usage_text(int major, int minor);
