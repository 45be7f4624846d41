#include <windows.h>
// after windows.h, which it needs
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>

#include "cli/console.h"
#include "encoding/codepage.h"

namespace pelmora {
namespace {

struct LocalFreeDeleter {
  void operator()(LPWSTR* p) const { LocalFree(p); }
};

void WriteBinary(FILE* stream, std::string_view bytes) {
  // Binary mode: "\n" stays one byte, so the output is the same bytes as on Linux.
  _setmode(_fileno(stream), _O_BINARY);
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::fflush(stream);
}

}  // namespace

// The narrow argv holds the ANSI code page's approximation of the arguments; the wide command
// line holds what the user typed.
std::vector<std::string> Utf8Arguments(int, char**) {
  int count = 0;
  std::unique_ptr<LPWSTR, LocalFreeDeleter> wide(CommandLineToArgvW(GetCommandLineW(), &count));
  std::vector<std::string> args;
  for (int i = 1; wide && i < count; ++i) {
    const std::wstring_view arg(wide.get()[i]);
    args.push_back(Utf16ToUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(arg.data()), arg.size())));
  }
  return args;
}

void WriteStdout(std::string_view bytes) {
  WriteBinary(stdout, bytes);
}
void WriteStderr(std::string_view bytes) {
  WriteBinary(stderr, bytes);
}

}  // namespace pelmora
