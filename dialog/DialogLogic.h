#pragma once
// The dialog's behaviour that needs no widgets: the thumbnail refresh, opening a listed file,
// and finding the pictures of a folder. SettingsDialog wires these to its controls.
#include <functional>
#include <string>
#include <vector>

#include "DialogTexts.h"
#include "MediaSlots.h"
#include "MessageBox.h"
#include "Picture.h"
#include "ShellOpen.h"

namespace quillo {

// Refreshes the thumbnail picture from the selected line of the picture list. An empty list
// empties it; a missing file (or no selection) leaves it as it was; a bitmap that fails to load
// leaves the previous picture with the "valid image" message; any other file is loaded as a JPEG
// picture into an emptied thumbnail, which stays empty with the "valid jpeg" message on failure.
// `options` say how the picture is decoded (the screen's depth, the thumbnail's size).
void ShowThumbnail(const ListBox& list, Picture& image, MessageBoxes& boxes,
                   const DecodeOptions& options);

// Opens the selected line of list through open (the shell's "open"); shows the warning
// noAssociationText when the result says no program is associated. Nothing happens for an empty
// list, no selection or a missing file.
void OpenListedFile(const ListBox& list, const std::function<OpenResult(const std::string&)>& open,
                    MessageBoxes& boxes, const char* noAssociationText);

// Full paths of the files directly in folder whose extension is jpg, jpeg or bmp in any letter
// case, sorted by name (ignoring ASCII case, then byte order). Sub-folders are not entered.
std::vector<std::string> FolderPictures(const std::string& folder);

}  // namespace quillo
