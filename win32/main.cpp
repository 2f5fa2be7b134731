// Lumivane: binds the Win32 services and starts the program.
#include <windows.h>

#include "app/platform.h"
#include "app/program.h"
#include "win32/update_services_win32.h"
#include "win32/win32_platform.h"
#include "win32/win32_toolkit.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Never destroyed: workers may still use them while the program ends.
  platform.toolkit = new Win32Toolkit();
  platform.threads = new Win32Threads();
  platform.ifTable = new Win32IfTable();
  platform.figures = new Win32SystemFigures();
  platform.update = new WinUpdateServices();
  StartProgram();
}
