#pragma once
#include <string>

namespace quillo {

// $HOME, else the account's home folder; "" when neither is known.
std::string homeDirectory();
// $XDG_CONFIG_HOME, else ~/.config; "" when neither can be found.
std::string applicationDataDir();
// The user's Pictures folder when it exists, else the home folder; "" when unknown.
std::string picturesDir();
// True when path names an existing entry that is not a folder.
bool fileExists(const std::string& path);
bool directoryExists(const std::string& path);
// One level, with the mode bits given (less the umask); true on success or when the folder
// already exists (its mode is then left as it is).
bool createDirectory(const std::string& path, unsigned mode = 0777);

}  // namespace quillo
