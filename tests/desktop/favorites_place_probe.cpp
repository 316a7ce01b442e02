// Prints where fav.Dat goes for the program folder given, as the user who runs it sees it.
#include <cstdio>

#include "desktop/user_paths.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::puts(kv::favorites_file_path(argv[1]).c_str());
  return 0;
}
