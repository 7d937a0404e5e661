#pragma once
// The caption over each picture: the photo's file name without folder or extension, " · ", and
// the day it was taken, as the user's LC_TIME writes dates.
#include <cstdint>
#include <optional>
#include <string>

#include "Exif.h"
#include "Geometry.h"

namespace quillo {

// "/photos/Beach at noon.jpg" -> "Beach at noon". A name whose only dot is its first character
// keeps it (".jpg" stays ".jpg").
std::string captionName(const std::string& path);

// The day, with the month's name: "14 July 2025", or in the order and words of LC_TIME.
std::string captionDate(const ExifDateTime& day);

// The caption for a picture file: the Exif date when there is one, else the file's
// modification time in local time (modifiedNs, since the epoch), else the name alone.
std::string captionText(const std::string& path, const std::optional<ExifDateTime>& taken,
                        std::optional<std::int64_t> modifiedNs);

// The caption's height on a screen: 2.5% of its height in device pixels, rounded; 0 when that
// is under 12 pixels, too small to read, and the caption is left out.
int captionHeight(Size screen);

}  // namespace quillo
