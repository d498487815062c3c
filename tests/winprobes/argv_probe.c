/* Shows the arguments a Windows child receives from msvcrt.dll for given command lines.
   Started plainly, it reads command lines from standard input and starts itself with
   each one through CreateProcessA, as pathmgr's prompt starts its children, waiting for
   each. The child prints its arguments one a line in brackets, then a line "--". */
#include <stdio.h>
#include <string.h>
#include <windows.h>

static const char kChildMark[] = "ARGV_PROBE_CHILD";

static int print_arguments(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) printf("[%s]\n", argv[i]);
  printf("--\n");
  fflush(stdout);
  return 0;
}

int main(int argc, char** argv) {
  if (GetEnvironmentVariableA(kChildMark, NULL, 0) != 0) return print_arguments(argc, argv);
  SetEnvironmentVariableA(kChildMark, "1");
  char module[MAX_PATH];
  if (GetModuleFileNameA(NULL, module, MAX_PATH) == 0) return 1;
  char line[1024];
  while (fgets(line, sizeof line, stdin) != NULL) {
    line[strcspn(line, "\r\n")] = '\0';
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process;
    if (!CreateProcessA(module, line, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process)) {
      printf("CreateProcess failed: %lu\n--\n", GetLastError());
      fflush(stdout);
      continue;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  return 0;
}
