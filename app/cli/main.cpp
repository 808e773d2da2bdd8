// Placeholder: replaced by the command line.
#include <iostream>
int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--help") { std::cout << "usage: korvex run EXP PRT IN OUT\n"; return 0; }
  return 2;
}
