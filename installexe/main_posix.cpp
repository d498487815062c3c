// install on the simulated host: the arguments are UTF-8 text.
#include "install_main.h"
#include "text/text_convert.h"

int main(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.push_back(widen_utf8(argv[i]));
  return installer::install_main(args);
}
