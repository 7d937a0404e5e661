#include "DialogLogic.h"

#include <algorithm>
#include <filesystem>

#include "AsciiCase.h"
#include "Paths.h"
#include "ShellOpen.h"

namespace quillo {

void ShowThumbnail(const ListBox& list, Picture& image, MessageBoxes& boxes,
                   const DecodeOptions& options) {
    if (list.count() == 0) {
        image.clear();
        return;
    }
    const int selected = list.selectedIndex();
    if (selected < 0) return;
    const std::string path = list.line(selected);
    if (!fileExists(path)) return;

    if (IsBitmapFile(path)) {
        try {
            image.loadFromFile(path, options);  // keeps the previous picture when it throws
        } catch (const std::exception&) {
            boxes.show(MessageKind::Information, kBadBitmapText);
        }
        return;
    }
    image.makeEmptyJpeg();
    try {
        image.loadFromFile(path, options);
    } catch (const std::exception&) {
        boxes.show(MessageKind::Information, kBadJpegText);
    }
}

void OpenListedFile(const ListBox& list, const std::function<OpenResult(const std::string&)>& open,
                    MessageBoxes& boxes, const char* noAssociationText) {
    if (list.count() == 0) return;
    const int selected = list.selectedIndex();
    if (selected < 0) return;
    const std::string path = list.line(selected);
    if (!fileExists(path)) return;
    if (open(path) == OpenResult::NoProgram) boxes.show(MessageKind::Warning, noAssociationText);
}

std::vector<std::string> FolderPictures(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(folder, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        std::error_code fileEc;
        if (!it->is_regular_file(fileEc)) continue;
        const std::string name = it->path().filename().string();
        const auto dot = name.find_last_of('.');
        if (dot == std::string::npos) continue;
        const std::string ext = asciiLower(name.substr(dot));
        if (ext == ".jpg" || ext == ".jpeg" || ext == ".bmp") names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string la = asciiLower(a), lb = asciiLower(b);
        return la != lb ? la < lb : a < b;
    });
    std::string prefix = folder;
    if (prefix.empty() || prefix.back() != '/') prefix += '/';
    for (std::string& name : names) name = prefix + name;
    return names;
}

}  // namespace quillo
