// pelmora-cli: one lookup from the command line, printing the report the window shows.
#pragma once

#include <string>
#include <vector>

namespace pelmora {

struct CliOutput {
  std::string out;  // UTF-8, lines ending in "\n"
  std::string err;  // UTF-8
};

// Exit status: 0 a profile was found; 1 the lookup failed; 2 a usage or input error.
// The arguments (without the program name) are UTF-8.
int RunCli(const std::vector<std::string>& args, CliOutput& output);

}  // namespace pelmora
