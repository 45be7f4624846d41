// The console edge of pelmora-cli: UTF-8 arguments in, UTF-8 bytes out, on every platform.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// The program's arguments after its name, as UTF-8.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Writes the bytes unchanged (no newline translation).
void WriteStdout(std::string_view bytes);
void WriteStderr(std::string_view bytes);

}  // namespace pelmora
