/* The version-record library carries no code: its entry point only reports success. */
#include <windows.h>

BOOL WINAPI RelinfoEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
