#include <exception>
#include <iostream>

#include "artwork.h"

// Draws the clock faces and the program icon into the folder named on the command line.
int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: zarn_facegen <outdir>\n";
    return 2;
  }
  try {
    for (const auto& path : zarn::facegen::writeAssets(argv[1])) {
      std::cout << path.string() << '\n';
    }
  } catch (const std::exception& e) {
    std::cerr << "zarn_facegen: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
