#include "PanZoomMotion.h"

#include <algorithm>

#include "SaverRandom.h"

namespace quillo {

Framing panZoomFraming(std::uint64_t elapsedNs, std::uint64_t spanNs, Size picture, Size screen,
                       const PanZoomPath& path) {
    if (picture.width < 1 || picture.height < 1 || screen.width < 1 || screen.height < 1)
        return {0, 0, double(std::max(picture.width, 0)), double(std::max(picture.height, 0))};
    const double t = spanNs == 0 ? 1.0 : std::min(1.0, double(elapsedNs) / double(spanNs));
    const auto along = [t](double from, double to) { return from + (to - from) * t; };
    // The scale at which the picture just covers the screen, then the zoom on top of it.
    const double cover =
        std::max(double(screen.width) / picture.width, double(screen.height) / picture.height);
    const double scale = cover * std::max(1.0, along(path.zoomFrom, path.zoomTo));
    const double w = std::min(double(picture.width), screen.width / scale);
    const double h = std::min(double(picture.height), screen.height / scale);
    const double px = std::clamp(along(path.fromX, path.toX), 0.0, 1.0);
    const double py = std::clamp(along(path.fromY, path.toY), 0.0, 1.0);
    return {(picture.width - w) * px, (picture.height - h) * py, w, h};
}

PanZoomPath randomPanZoomPath(SaverRandom& random) {
    PanZoomPath path;
    const double zoomed = 1.10 + random.Random(16) / 100.0;
    const bool zoomIn = random.Random(2) == 0;
    path.zoomFrom = zoomIn ? 1.0 : zoomed;
    path.zoomTo = zoomIn ? zoomed : 1.0;
    path.fromX = random.Random(101) / 100.0;
    path.fromY = random.Random(101) / 100.0;
    path.toX = random.Random(101) / 100.0;
    path.toY = random.Random(101) / 100.0;
    return path;
}

}  // namespace quillo
