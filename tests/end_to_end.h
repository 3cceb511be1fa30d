#pragma once
#include <string>

// The whole program driven through its movies' commands only, with the real
// converter: settings (AVI), Start, the finished file, and a second Start
// that finds the file. `disc` must convert through a few one-second polls.
void RunEndToEnd(const std::string& disc, bool preview);
