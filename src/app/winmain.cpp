// pelmora.exe: the window program.
#include <windows.h>

#include "app/main_window.h"
#include "app/win_handles.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  // COM for this thread before any window exists; it stays until the program ends.
  pelmora::OleScope ole;
  int exitCode = 0;
  {
    pelmora::MainWindow window(instance, PELMORA_PROFILE_HOST);
    if (!window.IsOpen()) return 1;
    window.Show(showCommand);
    exitCode = pelmora::RunMessageLoop();
  }
  return exitCode;
}
