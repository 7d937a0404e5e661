#pragma once
// Replacing a file all at once: the new bytes go to a locked temporary file beside it, reach the
// disk, and are renamed over the name, so that after a crash the name holds the old file or the
// new one, never part of one. With the path helpers the settings writers' lock shares.
#include <string>
#include <string_view>

namespace quillo {

// The file a write to `path` replaces: through a symbolic link, the file it names.
std::string writeTarget(const std::string& path);
// The folder of a path ("." for a bare name) and its last part.
std::string folderOf(const std::string& path);
std::string baseName(const std::string& path);

// Replaces the file at `path` (through a link, the file it names) with `bytes`. A new file is
// readable by its owner only (0600); an existing one keeps its mode, and one that may not be
// written is refused. False when anything fails: the file is then as it was.
bool replaceFileAtomically(const std::string& path, std::string_view bytes);

// Removes the temporaries that writes to `path` left behind when they were killed; the one a live
// writer holds stays.
void removeLeftoverTemporaries(const std::string& path);

}  // namespace quillo
