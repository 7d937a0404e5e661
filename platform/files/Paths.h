#pragma once
#include <string>

namespace quillo {

// $XDG_CONFIG_HOME, else ~/.config; "" when neither can be found.
std::string applicationDataDir();
// The user's Pictures folder when it exists, else the home folder; "" when unknown.
std::string picturesDir();
// True when path names an existing entry that is not a folder.
bool fileExists(const std::string& path);
bool directoryExists(const std::string& path);
// One level; true on success or when the folder already exists.
bool createDirectory(const std::string& path);

}  // namespace quillo
