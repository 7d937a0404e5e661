#pragma once
// Choosing the mode from the command line, and the password change.
#include <optional>
#include <string>
#include <vector>

namespace quillo {

enum class Mode { None, Saver, Settings, PasswordChange };

// The mode for the first argument (nullopt: no argument). "/S" only as a whole; "/C" and "/A" by
// their first two characters; ASCII letters compared without regard to case.
Mode chooseMode(const std::optional<std::string>& firstArgument);

// The text that "--help" (usage) or "--version" as the first argument prints on standard output;
// nullopt for every other command line.
std::optional<std::string> informationText(const std::vector<std::string>& args);

}  // namespace quillo
