// install on Windows: the wide command line as the system keeps it (wmain), so that a
// folder named outside the ANSI code page arrives intact.
#include "install_main.h"

int wmain(int argc, wchar_t** argv) { return installer::install_main({argv + 1, argv + argc}); }
