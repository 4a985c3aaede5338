// remark-tool info | new | render | print: see remark_tool.cpp for the usage.
#include <iostream>
#include <string>
#include <vector>

#include "apps/remark-tool/remark_tool.h"
#include "ports/platform.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return kit::remark_tool::Run(args, kit::DefaultPlatform(), std::cout, std::cerr);
}
