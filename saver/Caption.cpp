#include "Caption.h"

#include <langinfo.h>

#include <clocale>
#include <cmath>
#include <ctime>
#include <string>

namespace quillo {

namespace {

constexpr int kSmallestCaption = 12;

// The order of day, month and year in the locale's numeric dates ("%d.%m.%Y", "%m/%d/%Y",
// "%Y年%m月%d日"), as a format with the month's name.
const char* dateFormat() {
    // The C locale's "%m/%d/%y" is no one's choice: it writes the day first, as most do.
    const std::string locale = std::setlocale(LC_TIME, nullptr);
    if (locale == "C" || locale == "POSIX" || locale.starts_with("C.")) return "%-d %B %Y";
    const char* numeric = nl_langinfo(D_FMT);
    for (const char* p = numeric; p && *p; ++p) {
        if (*p != '%' || !p[1]) continue;
        switch (p[1]) {
            case 'm':
            case 'b':
            case 'B':
                return "%B %-d, %Y";
            case 'Y':
            case 'y':
                return "%Y %B %-d";
            case 'F':
                return "%Y %B %-d";
            case 'd':
            case 'e':
                return "%-d %B %Y";
            default:
                break;
        }
    }
    return "%-d %B %Y";
}

std::string formatDay(const std::tm& tm) {
    char out[128];
    const std::size_t n = std::strftime(out, sizeof out, dateFormat(), &tm);
    return std::string(out, n);
}

}  // namespace

std::string captionName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

std::string captionDate(const ExifDateTime& day) {
    std::tm tm{};
    tm.tm_year = day.year - 1900;
    tm.tm_mon = day.month - 1;
    tm.tm_mday = day.day;
    tm.tm_hour = day.hour;
    tm.tm_min = day.minute;
    tm.tm_sec = day.second;
    return formatDay(tm);
}

std::string captionText(const std::string& path, const std::optional<ExifDateTime>& taken,
                        std::optional<std::int64_t> modifiedNs) {
    const std::string name = captionName(path);
    constexpr const char* kSeparator = " \xC2\xB7 ";  // a middle dot between spaces
    if (taken) return name + kSeparator + captionDate(*taken);
    if (modifiedNs) {
        const std::time_t seconds = std::time_t(*modifiedNs / 1'000'000'000);
        std::tm tm{};
        if (localtime_r(&seconds, &tm)) return name + kSeparator + formatDay(tm);
    }
    return name;
}

int captionHeight(Size screen) {
    const int height = int(std::lround(screen.height * 0.025));
    return height < kSmallestCaption ? 0 : height;
}

}  // namespace quillo
