#pragma once

#include <string>

namespace kv {

// The folder that holds the program file.
std::string application_folder();

// Where the program keeps fav.Dat. Beside the program while the user owns that folder,
// others cannot write to it, and the user can write both it and the file there (an
// unpacked build, an install in the user's home); otherwise,
// for a program installed system-wide, in `user_data_folder`, which is made when missing.
// The first time the user's own copy is wanted, a fav.Dat that lies beside the program is
// copied there, so that favourites shipped or kept with the program are not lost.
std::string favorites_file_for(const std::string& app_folder, const std::string& user_data_folder);

}  // namespace kv
