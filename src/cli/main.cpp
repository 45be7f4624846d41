#include "cli/cli.h"
#include "cli/console.h"

int main(int argc, char** argv) {
  pelmora::CliOutput output;
  const int status = pelmora::RunCli(pelmora::Utf8Arguments(argc, argv), output);
  pelmora::WriteStdout(output.out);
  pelmora::WriteStderr(output.err);
  return status;
}
