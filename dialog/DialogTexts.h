#pragma once
// The dialog's own texts: its caption, its boxes and its web address, in one place.

namespace quillo {

// The maker's web page, opened by "Download Software".
inline constexpr const char* kDownloadAddress = "https://quillo.example.org/download";

inline constexpr const char* kDialogCaption = "Quillo Screensaver Creator Settings";
inline constexpr const char* kLowColorHint =
    "Helpful Hint: It looks like your monitor is displaying colors at a low resolution. Your "
    "images will look much clearer and better if you simply set your monitor to a higher "
    "resolution. To do this, go into your control panel, select \"Display\", then click the "
    "\"settings\" tab. Now simply change the color tab on the bottom to show 16-bit, 24-bit, or "
    "higher (True color or normal color). You may ignore this message if you wish, but this is "
    "just a hint to make your images look nicer.";
inline constexpr const char* kNoPicturesText =
    "There are no items in the list. Click ADD to add some pictures to the list.";
inline constexpr const char* kNoSoundsText =
    "There are no items in the list. Click ADD to add some sound files to the list.";
inline constexpr const char* kConfirmSoundRemovalText =
    "You are about to delete the highlighted item in the box above. Click OK to confirm. ";
inline constexpr const char* kDownloadFailedText =
    "You cannot view the download site because your browser would not open. You can still view "
    "the download site by opening your web browser and pointing to ";
inline constexpr const char* kConfirmClearText =
    "Remove every picture from the list? The picture files themselves are not deleted.";
inline constexpr const char* kNoFolderPicturesText =
    "There are no pictures (jpg, jpeg or bmp files) in this folder.";

inline constexpr const char* kBadBitmapText =
    "This picture is corrupt or is not a valid image. This cannot be viewed";
inline constexpr const char* kBadJpegText =
    "This picture is corrupt or is not a valid jpeg. This cannot be viewed";
inline constexpr const char* kNoPictureViewerText =
    "We attempted to open your default picture viewer, but none could be found on your system. "
    "You can view the picture thumbnail below.";
inline constexpr const char* kNoSoundPlayerText =
    "We attempted to open your default sound player, but none could be found on your system. ";
inline constexpr const char* kNoImageViewerText =
    "We attempted to open your default picture viewer to view this image at regular size, but no "
    "viewer could be found on your system. You can only view the picture thumbnail.";

}  // namespace quillo
