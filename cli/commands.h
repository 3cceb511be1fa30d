#pragma once
// The jobs of the command line, each given the arguments after its name.
#include <string>
#include <vector>

int InfoCommand(const std::vector<std::string>& arguments);
int RipCommand(const std::vector<std::string>& arguments);

extern const char kUsage[];
