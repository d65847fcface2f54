// Built without resources: prints the version text the about window would show
// for this executable, between brackets.
#include <cstdio>

#include "about/AboutUnit.h"

int main() {
  std::string v = pix::GetVersionString();
  std::printf("[%s]\n", v.c_str());
  return 0;
}
