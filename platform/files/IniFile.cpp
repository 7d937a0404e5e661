#include "IniFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <exception>
#include <optional>
#include <stdexcept>
#include <thread>
#include <unordered_map>

#include "AsciiCase.h"
#include "AtomicFile.h"
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

// What a line is to the reader, after leading blanks: a section header ("[name]", name up to the
// last ']'), a key ("name=value"), or anything else (blank, comment, no '=').
enum class LineKind { Other, Section, Key };

struct LineInfo {
    LineKind kind = LineKind::Other;
    std::string_view name;       // trimmed
    std::size_t valueBegin = 0;  // key lines: just after the '='
};

LineInfo classify(std::string_view t) {
    LineInfo info;
    std::size_t start = 0;
    while (start < t.size() && isBlank(t[start])) ++start;
    if (start == t.size() || t[start] == ';') return info;
    if (t[start] == '[') {
        std::size_t close = t.rfind(']');
        if (close != std::string_view::npos && close > start) {
            info.kind = LineKind::Section;
            info.name = trim(t.substr(start + 1, close - start - 1));
            return info;
        }
    }
    std::size_t eq = t.find('=', start);
    if (eq == std::string_view::npos) return info;
    info.kind = LineKind::Key;
    info.name = trim(t.substr(start, eq - start));
    info.valueBegin = eq + 1;
    return info;
}

// The line end a piece of text finishes with ("" for a last line without one).
std::string_view endingEol(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes.substr(bytes.size() - 2) == "\r\n") return "\r\n";
    if (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r'))
        return bytes.substr(bytes.size() - 1);
    return {};
}

std::uint32_t nameHash(std::string_view name) {
    std::uint32_t h = 2166136261u;
    for (char c : name) h = (h ^ std::uint8_t(asciiLower(c))) * 16777619u;
    return h;
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";

}  // namespace

// The file as read, kept as its bytes plus an index of the lines that matter to lookups. Lines
// that are neither a section header nor a key are never looked at one by one: they stay in runs
// (a run ending with a line that is not blank, then a run of blank lines), so a file of many
// short lines costs a few bytes per header or key and nothing per other line. Writes never move
// what was read: a changed key line points at its new text, new lines hang after the last used
// piece of their section, new sections come after the end of the file.
struct IniFile::Image {
    enum Kind : std::uint32_t { Header, Key, Text, Blank };
    struct Piece {
        std::uint32_t begin;
        std::uint32_t length : 29;
        std::uint32_t kind : 2;
        std::uint32_t written : 1;  // its bytes are in `added`, not in `bytes`
    };
    static_assert(sizeof(Piece) == 8);
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    // The first key of each name in one section, by open addressing. A slot holds the name's
    // hash (high half) and the piece number + 1 (low half; 0 is empty), so most probes compare
    // hashes without touching the line.
    struct KeyTable {
        std::vector<std::uint64_t> slots;
        std::size_t used = 0;
    };
    struct SectionEdits {
        std::uint32_t anchor = kNone;         // the piece new keys go after
        std::vector<std::uint32_t> inserted;  // new key pieces, in file order
        std::optional<KeyTable> keys;
    };

    bool readable = true;  // false when the file exists but could not be read: never overwrite it
    bool bom = false;
    std::string bytes;  // the file after its byte-order mark
    std::string added;  // text of the lines written since
    std::vector<Piece> pieces;
    std::uint32_t originalPieces = 0;
    std::vector<std::uint32_t> sections;  // header piece of each section, read ones first
    std::uint32_t originalSections = 0;
    std::unordered_map<std::string, std::uint32_t> sectionByName;  // folded name: first section
    std::unordered_map<std::uint32_t, SectionEdits> edits;         // by section
    const std::pair<const std::string, std::uint32_t>* lastSection_ = nullptr;
    std::string eol = "\n";  // for new lines: the file's own first line end, else LF
    bool lastLineGetsEol = false;

    std::string_view text(std::uint32_t p) const {
        const Piece& piece = pieces[p];
        return std::string_view(piece.written ? added : bytes).substr(piece.begin, piece.length);
    }
    // The piece's (last) line without its line end.
    std::string_view line(std::uint32_t p) const {
        std::string_view t = text(p);
        return t.substr(0, t.size() - endingEol(t).size());
    }

    void push(Kind kind, std::size_t begin, std::size_t end) {
        pieces.push_back(Piece{std::uint32_t(begin), std::uint32_t(end - begin), kind, 0});
    }

    // Indexes `bytes`, the file as read.
    void parse() {
        if (std::string_view(bytes).substr(0, kBom.size()) == kBom) {
            bom = true;
            bytes.erase(0, kBom.size());
        }
        const std::string_view b(bytes);
        bool eolSeen = false;
        std::size_t start = 0;
        while (start < b.size()) {
            std::size_t textEnd = start;
            while (textEnd < b.size() && b[textEnd] != '\n' && b[textEnd] != '\r') ++textEnd;
            std::size_t end = textEnd;
            if (end < b.size())
                end += (b[end] == '\r' && end + 1 < b.size() && b[end + 1] == '\n') ? 2 : 1;
            if (!eolSeen && end > textEnd) {
                eol = std::string(b.substr(textEnd, end - textEnd));
                eolSeen = true;
            }
            addLine(b.substr(start, textEnd - start), start, end);
            start = end;
        }
        originalPieces = std::uint32_t(pieces.size());
        originalSections = std::uint32_t(sections.size());
    }

    void addLine(std::string_view t, std::size_t begin, std::size_t end) {
        const LineKind kind = classify(t).kind;
        if (kind == LineKind::Section) {
            sections.push_back(std::uint32_t(pieces.size()));
            push(Header, begin, end);
            return;
        }
        if (sections.empty()) {
            // Before the first section nothing is ever matched: one run.
            if (pieces.empty())
                push(Text, begin, end);
            else
                pieces.back().length = std::uint32_t(end - pieces.back().begin);
            return;
        }
        if (kind == LineKind::Key) {
            push(Key, begin, end);
            return;
        }
        Piece& last = pieces.back();
        const bool blank = trim(t).empty();
        if (blank) {
            if (last.kind == Blank)
                last.length = std::uint32_t(end - last.begin);
            else
                push(Blank, begin, end);
        } else if (last.kind == Text) {
            last.length = std::uint32_t(end - last.begin);
        } else if (last.kind == Blank) {
            // Blank lines followed by text: one run with the text before them, if any.
            if (pieces[pieces.size() - 2].kind == Text) pieces.pop_back();
            pieces.back().kind = Text;
            pieces.back().length = std::uint32_t(end - pieces.back().begin);
        } else {
            push(Text, begin, end);
        }
    }

    std::string_view pieceName(std::uint32_t p) const { return classify(line(p)).name; }

    // Number of the first section of that name, or kNone.
    std::uint32_t findSection(std::string_view name) {
        // Reads and writes come in runs on one section: the last answer first.
        if (lastSection_ && sameName(lastSection_->first, name)) return lastSection_->second;
        const std::string folded = asciiLower(std::string(name));
        auto it = sectionByName.find(folded);
        if (it == sectionByName.end()) {
            std::uint32_t found = kNone;
            for (std::uint32_t s = 0; s < sections.size() && found == kNone; ++s)
                if (sameName(pieceName(sections[s]), name)) found = s;
            it = sectionByName.emplace(folded, found).first;
        }
        lastSection_ = &*it;
        return it->second;
    }

    // Calls f for each key piece of section s, in file order.
    template <class F>
    void forEachKey(std::uint32_t s, F f) {
        const std::uint32_t header = sections[s];
        const SectionEdits* e = nullptr;
        if (auto it = edits.find(s); it != edits.end()) e = &it->second;
        auto inserted = [&](std::uint32_t p) {
            if (e && e->anchor == p)
                for (std::uint32_t k : e->inserted) f(k);
        };
        inserted(header);
        if (s < originalSections) {
            const std::uint32_t end = s + 1 < originalSections ? sections[s + 1] : originalPieces;
            for (std::uint32_t p = header + 1; p < end; ++p) {
                if (pieces[p].kind == Key) f(p);
                inserted(p);
            }
        }
    }

    static void place(KeyTable& t, std::uint64_t entry) {
        const std::size_t mask = t.slots.size() - 1;
        std::size_t i = std::size_t(entry >> 32) & mask;
        while (t.slots[i] != 0) i = (i + 1) & mask;
        t.slots[i] = entry;
        ++t.used;
    }

    // Where the key of that name and hash is in the table, or its empty slot.
    std::size_t probe(const KeyTable& t, std::string_view key, std::uint32_t hash) const {
        const std::size_t mask = t.slots.size() - 1;
        std::size_t i = hash & mask;
        for (; t.slots[i] != 0; i = (i + 1) & mask) {
            const std::uint64_t e = t.slots[i];
            if (std::uint32_t(e >> 32) == hash &&
                sameName(pieceName(std::uint32_t(e & 0xFFFFFFFFu) - 1), key))
                break;
        }
        return i;
    }

    // Adds piece p under its name unless a key of that name is there already.
    void addKey(KeyTable& t, std::uint32_t p) {
        if ((t.used + 1) * 4 > t.slots.size() * 3) {
            std::vector<std::uint64_t> old(std::max<std::size_t>(16, t.slots.size() * 2), 0);
            old.swap(t.slots);
            t.used = 0;
            for (std::uint64_t e : old)
                if (e != 0) place(t, e);
        }
        const std::string_view name = pieceName(p);
        const std::uint32_t hash = nameHash(name);
        const std::size_t i = probe(t, name, hash);
        if (t.slots[i] != 0) return;  // the first of a name wins
        t.slots[i] = (std::uint64_t(hash) << 32) | (std::uint64_t(p) + 1);
        ++t.used;
    }

    std::uint32_t lookup(const KeyTable& t, std::string_view key) const {
        if (t.slots.empty()) return kNone;
        const std::uint64_t e = t.slots[probe(t, key, nameHash(key))];
        return e == 0 ? kNone : std::uint32_t(e & 0xFFFFFFFFu) - 1;
    }

    KeyTable& keysOf(std::uint32_t s) {
        SectionEdits& e = edits[s];
        if (!e.keys) {
            KeyTable t;
            std::size_t count = 0;
            forEachKey(s, [&](std::uint32_t) { ++count; });
            std::size_t size = 16;
            while (size * 3 < (count + 1) * 4) size *= 2;
            t.slots.assign(size, 0);
            forEachKey(s, [&](std::uint32_t p) { addKey(t, p); });
            e.keys = std::move(t);
        }
        return *e.keys;
    }

    // The key piece, or kNone.
    std::uint32_t findKey(std::string_view section, std::string_view key) {
        const std::uint32_t s = findSection(section);
        return s == kNone ? kNone : lookup(keysOf(s), key);
    }

    std::uint32_t appendLine(Kind kind, const std::string& lineText) {
        pieces.push_back(
            Piece{std::uint32_t(added.size()), std::uint32_t(lineText.size()), kind, 1});
        added += lineText;
        return std::uint32_t(pieces.size() - 1);
    }

    // A new line after p takes p's line end; a last line without one gets the file's.
    std::string eolAfter(std::uint32_t p) {
        std::string_view e = endingEol(text(p));
        if (!e.empty()) return std::string(e);
        lastLineGetsEol = true;
        return eol;
    }

    // False when the file would not change (the key holds that very text already).
    bool set(std::string_view section, std::string_view key, const std::string& stored) {
        const std::uint32_t p = writeLine(section, key, stored);
        if (p == kNone) return false;
        // A line that does not read back as a key (a key name that starts with '[' or ';', say)
        // changes what the file says around it: index it afresh, as the next reading would.
        if (classify(line(p)).kind != LineKind::Key) reindex();
        return true;
    }

    void reindex() {
        Image fresh;
        fresh.bytes = serialize();
        fresh.parse();
        *this = std::move(fresh);
    }

    // The key's piece after the write, or kNone when nothing changed.
    std::uint32_t writeLine(std::string_view section, std::string_view key,
                            const std::string& stored) {
        const std::uint32_t s = findSection(section);
        if (s == kNone) {
            if (!bytes.empty() && endingEol(bytes).empty()) lastLineGetsEol = true;
            const std::uint32_t header = appendLine(Header, "[" + std::string(section) + "]" + eol);
            sections.push_back(header);
            // Lookups answered before may now find this section (by the name its line reads as,
            // which is not always the name written): ask again.
            sectionByName.erase(asciiLower(std::string(section)));
            sectionByName.erase(asciiLower(std::string(pieceName(header))));
            lastSection_ = nullptr;
            SectionEdits& e = edits[std::uint32_t(sections.size() - 1)];
            e.anchor = header;
            e.inserted.push_back(appendLine(Key, std::string(key) + "=" + stored + eol));
            return e.inserted.back();
        }
        KeyTable& keys = keysOf(s);
        if (const std::uint32_t p = lookup(keys, key); p != kNone) {
            // Keep the key as it was spelled and the line's own end; only the value changes.
            const std::string_view old = text(p);
            const std::size_t valueBegin = classify(line(p)).valueBegin;
            if (line(p).substr(valueBegin) == stored) return kNone;
            const std::string replaced =
                std::string(old.substr(0, valueBegin)) + stored + std::string(endingEol(old));
            const std::uint32_t fresh = appendLine(Key, replaced);
            pieces[p] = pieces[fresh];
            pieces.pop_back();
            return p;
        }
        SectionEdits& e = edits[s];
        if (e.anchor == kNone) {
            // After the last line of the section that is not blank.
            const std::uint32_t header = sections[s];
            e.anchor = header;
            if (s < originalSections) {
                const std::uint32_t end =
                    s + 1 < originalSections ? sections[s + 1] : originalPieces;
                for (std::uint32_t p = end; p > header + 1; --p)
                    if (pieces[p - 1].kind != Blank) {
                        e.anchor = p - 1;
                        break;
                    }
            }
        }
        const std::string lineEol = eolAfter(e.inserted.empty() ? e.anchor : e.inserted.back());
        const std::uint32_t p = appendLine(Key, std::string(key) + "=" + stored + lineEol);
        e.inserted.push_back(p);
        addKey(*e.keys, p);
        return p;
    }

    std::string serialize() const {
        std::unordered_map<std::uint32_t, const SectionEdits*> after;
        for (const auto& [s, e] : edits)
            if (e.anchor != kNone) after.emplace(e.anchor, &e);
        std::string out;
        out.reserve((bom ? kBom.size() : 0) + bytes.size() + added.size() + eol.size());
        if (bom) out += kBom;
        auto emit = [&](std::uint32_t p) {
            out += text(p);
            if (p + 1 == originalPieces && lastLineGetsEol) out += eol;
            if (auto it = after.find(p); it != after.end())
                for (std::uint32_t k : it->second->inserted) out += text(k);
        };
        for (std::uint32_t p = 0; p < originalPieces; ++p) emit(p);
        for (std::size_t s = originalSections; s < sections.size(); ++s) emit(sections[s]);
        return out;
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
            // Read straight into the image's own buffer, sized once: the file is held once.
            std::string& bytes = img->bytes;
            bytes.resize(std::size_t(st.st_size) + 1);
            std::size_t size = 0;
            for (;;) {
                if (size == bytes.size()) {
                    // Grown since fstat: the limit holds all the same.
                    if (size > kMaxFileSize) throw SettingsFileTooLarge(path_);
                    bytes.resize(std::min<std::size_t>(size * 2, kMaxFileSize + 1));
                }
                ssize_t n = ::read(fd, bytes.data() + size, bytes.size() - size);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) {
                    img->readable = false;
                    break;
                }
                if (n == 0) break;
                size += std::size_t(n);
            }
            if (size > kMaxFileSize) throw SettingsFileTooLarge(path_);
            bytes.resize(size);
            if (img->readable) img->parse();
        }
    }
    image_ = std::move(img);
    return *image_;
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view def) const {
    Image& img = image();
    const std::uint32_t p = img.findKey(section, key);
    if (p == Image::kNone) return std::string(def.substr(0, kMaxValueLength));
    const std::string_view line = img.line(p);
    std::string_view value = trim(line.substr(classify(line).valueBegin));
    if (hasOuterQuotes(value)) value = value.substr(1, value.size() - 2);
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
    if (!transaction_) {
        Transaction own(*this);
        writeString(section, key, value);
        own.commit();
        return;
    }
    Image& img = image();
    if (!img.readable) throw SettingsWriteError(path_);
    // A write that changes nothing (the saver's "Status" at each start, mostly) does not
    // replace the file.
    // A read-only file still refuses it, as it would refuse any write.
    if (img.set(section, key, storedValue(value)))
        dirty_ = true;
    else if (::access(writeTarget(path_).c_str(), W_OK) != 0)
        throw SettingsWriteError(path_);
}

void IniFile::writeInteger(std::string_view section, std::string_view key, std::int32_t value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

namespace {

// Takes the writers' lock of the file: an exclusive flock on ".<name>.lock" beside it. A writer
// holds it only while it reads, changes and replaces the file, so the wait is short; one that
// has not ended after `wait` (a stopped process) makes the write fail rather than hang. -1 when
// the lock file cannot be opened, -2 when another writer still holds it.
int takeWritersLock(const std::string& path, std::chrono::milliseconds wait) {
    const std::string target = writeTarget(path);
    const std::string lockPath = folderOf(target) + "/." + baseName(target) + ".lock";
    const int fd =
        ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
    if (fd < 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::microseconds(200);
    int result = -2;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            result = -1;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(5000));
    }
    ::close(fd);
    return result;
}

}  // namespace

void IniFile::replaceFile() {
    dirty_ = false;
    try {
        Image& img = image();
        if (!img.readable || !replaceFileAtomically(path_, img.serialize()))
            throw SettingsWriteError(path_);
    } catch (...) {
        // The image no longer matches the file; read it again at the next access.
        image_.reset();
        throw;
    }
}

IniFile::Transaction::Transaction(IniFile& file, std::chrono::milliseconds lockWait) : file_(file) {
    if (file_.transaction_) throw std::logic_error("IniFile: a transaction is already open");
    lockFd_ = takeWritersLock(file_.path_, lockWait);
    if (lockFd_ == -2) throw SettingsLockBusy(file_.path_);
    if (lockFd_ < 0) throw SettingsWriteError(file_.path_);
    // What was read before the lock may be stale: read again under it.
    file_.image_.reset();
    file_.dirty_ = false;
    file_.transaction_ = this;
}

IniFile::Transaction::~Transaction() {
    // Uncommitted writes never reach the file; forget them.
    if (file_.dirty_) file_.image_.reset();
    file_.dirty_ = false;
    file_.transaction_ = nullptr;
    ::close(lockFd_);
}

void IniFile::Transaction::commit() {
    if (file_.dirty_) file_.replaceFile();
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
