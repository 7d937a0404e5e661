#include "IniFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <exception>

#include "AsciiCase.h"
#include "Errors.h"
#include "ScopeExit.h"

namespace quillo {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool sameName(std::string_view a, std::string_view b) {
    return equalsIgnoringAsciiCase(a, b);
}

bool isQuote(char c) {
    return c == '"' || c == '\'';
}

bool hasOuterQuotes(std::string_view s) {
    return s.size() >= 2 && isQuote(s.front()) && s.front() == s.back();
}

// The stored form of a value: wrapped in double quotes when the reader would otherwise trim it
// or strip a pair of its quotes, so that every value reads back exactly as written.
std::string storedValue(std::string_view value) {
    bool needsQuotes = !value.empty() &&
                       (isBlank(value.front()) || isBlank(value.back()) || hasOuterQuotes(value));
    if (!needsQuotes) return std::string(value);
    std::string s;
    s.reserve(value.size() + 2);
    s += '"';
    s += value;
    s += '"';
    return s;
}

bool fitsInLine(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

enum class LineKind { Other, Section, Key };

struct Line {
    std::string text;  // without its line end
    std::string eol;   // "\n", "\r\n", "\r" or "" for a last line without one
    LineKind kind = LineKind::Other;
    std::size_t nameBegin = 0, nameLength = 0;  // the trimmed section or key name in text
    std::size_t valueBegin = 0;                 // key lines: just after the '='

    std::string_view name() const { return std::string_view(text).substr(nameBegin, nameLength); }
    bool blank() const { return trim(text).empty(); }

    void classify() {
        kind = LineKind::Other;
        std::string_view t(text);
        std::size_t start = 0;
        while (start < t.size() && isBlank(t[start])) ++start;
        if (start == t.size() || t[start] == ';') return;
        if (t[start] == '[') {
            std::size_t close = t.rfind(']');
            if (close != std::string_view::npos && close > start) {
                setName(start + 1, close);
                kind = LineKind::Section;
                return;
            }
        }
        std::size_t eq = t.find('=', start);
        if (eq == std::string_view::npos) return;
        setName(start, eq);
        valueBegin = eq + 1;
        kind = LineKind::Key;
    }

private:
    void setName(std::size_t b, std::size_t e) {
        while (b < e && isBlank(text[b])) ++b;
        while (e > b && isBlank(text[e - 1])) --e;
        nameBegin = b;
        nameLength = e - b;
    }
};

Line makeLine(std::string text, std::string eol) {
    Line l;
    l.text = std::move(text);
    l.eol = std::move(eol);
    l.classify();
    return l;
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";

int currentUmask() {
    mode_t old = ::umask(0);
    ::umask(old);
    return int(old);
}

std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when the name still names the file open as fd.
bool stillNamed(const std::string& path, int fd) {
    struct stat named {
    }, open{};
    return ::lstat(path.c_str(), &named) == 0 && ::fstat(fd, &open) == 0 && sameFile(named, open);
}

// A writer holds an exclusive flock on its temporary file from creation until the rename, so a
// temporary that can be locked belongs to a write that was killed. Those are removed; one that a
// running process is writing is never touched.
void removeStaleTemporaries(const std::string& folder, const std::string& base) {
    const std::string prefix = "." + base + ".";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name(e->d_name);
        if (name.size() != prefix.size() + 6 || name.substr(0, prefix.size()) != prefix) continue;
        const std::string path = folder + "/" + std::string(name);
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNamed(path, fd))
            ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(dir);
}

// A new temporary file beside the target, locked as a live writer's (see above). A cleaner may
// have taken it between its creation and the lock: then the name is gone, and we make another.
int makeLockedTemporary(std::string& temp, const std::string& pattern) {
    for (;;) {
        temp = pattern;
        const int fd = ::mkstemp(temp.data());
        if (fd < 0) return -1;
        if (::flock(fd, LOCK_EX) == 0 && stillNamed(temp, fd)) return fd;
        ::close(fd);
    }
}

}  // namespace

struct IniFile::Image {
    bool readable = true;  // false when the file exists but could not be read: never overwrite it
    bool bom = false;
    std::vector<Line> lines;

    void parse(std::string_view bytes) {
        if (bytes.substr(0, kBom.size()) == kBom) {
            bom = true;
            bytes.remove_prefix(kBom.size());
        }
        std::size_t start = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            char c = bytes[i];
            if (c != '\n' && c != '\r') continue;
            std::size_t eolLength =
                (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
            lines.push_back(makeLine(std::string(bytes.substr(start, i - start)),
                                     std::string(bytes.substr(i, eolLength))));
            i += eolLength - 1;
            start = i + 1;
        }
        if (start < bytes.size()) lines.push_back(makeLine(std::string(bytes.substr(start)), ""));
    }

    std::string serialize() const {
        std::size_t total = bom ? kBom.size() : 0;
        for (const Line& l : lines) total += l.text.size() + l.eol.size();
        std::string out;
        out.reserve(total);
        if (bom) out += kBom;
        for (const Line& l : lines) {
            out += l.text;
            out += l.eol;
        }
        return out;
    }

    // The line end for new lines: the file's own first one, LF for a file that has none.
    std::string preferredEol() const {
        for (const Line& l : lines)
            if (!l.eol.empty()) return l.eol;
        return "\n";
    }

    // Index of the first section of that name, or lines.size().
    std::size_t findSection(std::string_view name) const {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i].kind == LineKind::Section && sameName(lines[i].name(), name)) return i;
        return lines.size();
    }

    std::size_t sectionEnd(std::size_t header) const {
        std::size_t i = header + 1;
        while (i < lines.size() && lines[i].kind != LineKind::Section) ++i;
        return i;
    }

    const Line* findKey(std::string_view section, std::string_view key) const {
        std::size_t s = findSection(section);
        if (s == lines.size()) return nullptr;
        std::size_t end = sectionEnd(s);
        for (std::size_t i = s + 1; i < end; ++i)
            if (lines[i].kind == LineKind::Key && sameName(lines[i].name(), key)) return &lines[i];
        return nullptr;
    }

    void set(std::string_view section, std::string_view key, const std::string& stored) {
        std::size_t s = findSection(section);
        if (s == lines.size()) {
            std::string eol = preferredEol();
            if (!lines.empty() && lines.back().eol.empty()) lines.back().eol = eol;
            lines.push_back(makeLine("[" + std::string(section) + "]", eol));
            lines.push_back(makeLine(std::string(key) + "=" + stored, eol));
            return;
        }
        std::size_t end = sectionEnd(s);
        std::size_t lastUsed = s;
        for (std::size_t i = s + 1; i < end; ++i) {
            Line& l = lines[i];
            if (l.kind == LineKind::Key && sameName(l.name(), key)) {
                // Keep the key as it was spelled; only the value changes.
                l.text.resize(l.valueBegin);
                l.text += stored;
                return;
            }
            if (!l.blank()) lastUsed = i;
        }
        if (lines[lastUsed].eol.empty()) lines[lastUsed].eol = preferredEol();
        std::string eol = lines[lastUsed].eol;
        lines.insert(lines.begin() + std::ptrdiff_t(lastUsed + 1),
                     makeLine(std::string(key) + "=" + stored, eol));
    }
};

IniFile::IniFile(std::string path) : path_(std::move(path)) {}
IniFile::~IniFile() = default;

IniFile::Image& IniFile::image() const {
    if (image_) return *image_;
    auto img = std::make_unique<Image>();
    // Never blocks: a FIFO would wait in open() for a writer. Only a regular file is read; any
    // other kind is a file that cannot be read.
    int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        img->readable = (errno == ENOENT);
    } else {
        ScopeExit closer([fd] { ::close(fd); });
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            img->readable = false;
        } else {
            if (std::uint64_t(st.st_size) > kMaxFileSize) throw SettingsFileTooLarge(path_);
            std::string bytes;
            char buffer[65536];
            for (;;) {
                ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) {
                    img->readable = false;
                    break;
                }
                if (n == 0) break;
                bytes.append(buffer, std::size_t(n));
                // Grown since fstat: the limit holds all the same.
                if (bytes.size() > kMaxFileSize) throw SettingsFileTooLarge(path_);
            }
            if (img->readable) img->parse(bytes);
        }
    }
    image_ = std::move(img);
    return *image_;
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view def) const {
    const Line* line = image().findKey(section, key);
    std::string_view value =
        line ? trim(std::string_view(line->text).substr(line->valueBegin)) : def;
    if (line && hasOuterQuotes(value)) value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, kMaxValueLength));
}

std::int32_t IniFile::readInteger(std::string_view section, std::string_view key,
                                  std::int32_t def) const {
    return parseIniInteger(readString(section, key, "")).value_or(def);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    // A line end or NUL inside a value or name would split or cut its line: refuse rather than
    // store something that reads back differently.
    if (!fitsInLine(section) || !fitsInLine(key) || !fitsInLine(value))
        throw SettingsWriteError(path_);
    Image& img = image();
    if (!img.readable) throw SettingsWriteError(path_);
    img.set(section, key, storedValue(value));
    dirty_ = true;
    if (batchDepth_ == 0) commit();
}

void IniFile::writeInteger(std::string_view section, std::string_view key, std::int32_t value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void IniFile::commit() {
    dirty_ = false;
    try {
        Image& img = image();
        if (!img.readable) throw SettingsWriteError(path_);

        // Write through a symbolic link to the file it names rather than replacing the link.
        std::string target = path_;
        if (char* real = ::realpath(path_.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }

        mode_t mode = mode_t(0666 & ~currentUmask());
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0) {
            // rename() into a writable folder would replace a read-only file: honour its bits.
            if (::access(target.c_str(), W_OK) != 0) throw SettingsWriteError(path_);
            mode = st.st_mode & 07777;
        }

        std::string folder = folderOf(target);
        std::string base =
            target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
        removeStaleTemporaries(folder, base);
        std::string temp;
        int fd = makeLockedTemporary(temp, folder + "/." + base + ".XXXXXX");
        if (fd < 0) throw SettingsWriteError(path_);
        bool ok = writeAll(fd, img.serialize()) && ::fchmod(fd, mode) == 0 && ::fdatasync(fd) == 0;
        // Renamed while still locked, so that no cleaner takes it as left over; the data is on
        // disk already, so closing cannot lose any.
        ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
        ::close(fd);
        if (!ok) {
            ::unlink(temp.c_str());
            throw SettingsWriteError(path_);
        }
        // Make the rename itself durable; the data is already on disk, so a failure here is not
        // reported.
        int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            ::fsync(dirFd);
            ::close(dirFd);
        }
    } catch (...) {
        // The image no longer matches the file; read it again at the next access.
        image_.reset();
        throw;
    }
}

IniFile::Batch::Batch(IniFile& file) : file_(file), uncaught_(std::uncaught_exceptions()) {
    ++file_.batchDepth_;
}

IniFile::Batch::~Batch() noexcept(false) {
    if (--file_.batchDepth_ > 0) return;
    if (std::uncaught_exceptions() > uncaught_) {
        // Abandoned: nothing of the batch reaches the file.
        if (file_.dirty_) file_.image_.reset();
        file_.dirty_ = false;
        return;
    }
    if (file_.dirty_) file_.commit();
}

std::optional<std::int32_t> parseIniInteger(std::string_view text) {
    if (text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        // Hexadecimal is a 32-bit pattern: 0xFFFFFFFF reads as -1.
        std::uint64_t v = 0;
        for (std::size_t i = 2; i < text.size(); ++i) {
            char c = text[i];
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                return std::nullopt;
            v = v * 16 + std::uint64_t(d);
            if (v > 0xFFFFFFFFull) return std::nullopt;
        }
        return std::int32_t(std::uint32_t(v));
    }
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    std::int64_t v = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
        if (v > std::int64_t(INT32_MAX) + 1) return std::nullopt;
    }
    if (negative) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
    return std::int32_t(v);
}

}  // namespace quillo
