#include <cstdio>

#include "cli/console.h"

namespace pelmora {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void WriteStdout(std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

void WriteStderr(std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stderr);
}

}  // namespace pelmora
