#include "IniDocument.h"

#include <algorithm>
#include <climits>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "AsciiCase.h"

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

// Names hashed and compared as the reader matches them: without regard to ASCII case.
struct FoldedHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const {
        std::size_t h = 14695981039346656037ull;
        for (char c : name) h = (h ^ std::uint8_t(asciiLower(c))) * 1099511628211ull;
        return h;
    }
};
struct FoldedEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return sameName(a, b); }
};

constexpr std::string_view kBom = "\xEF\xBB\xBF";

}  // namespace

// The file as read, kept as its bytes plus an index of the lines that matter to lookups. Lines
// that are neither a section header nor a key are never looked at one by one: they stay in runs
// (a run ending with a line that is not blank, then a run of blank lines), so a file of many
// short lines costs a few bytes per header or key and nothing per other line. Writes never move
// what was read: a changed key line points at its new text, new lines hang after the last used
// piece of their section, new sections come after the end of the file.
struct IniDocument::Lines {
    enum Kind : std::uint32_t { Header, Key, Text, Blank };
    struct Piece {
        std::uint32_t begin;
        std::uint32_t length : 29;
        std::uint32_t kind : 2;
        std::uint32_t written : 1;  // its bytes are in `added`, not in `bytes`
    };
    static_assert(sizeof(Piece) == 8);
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    // The first key of each name in one section: its piece.
    using KeyTable = std::unordered_map<std::string, std::uint32_t, FoldedHash, FoldedEqual>;
    struct SectionEdits {
        std::uint32_t anchor = kNone;         // the piece new keys go after
        std::vector<std::uint32_t> inserted;  // new key pieces, in file order
        std::optional<KeyTable> keys;
    };

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

    // Adds piece p under its name unless a key of that name is there already.
    void addKey(KeyTable& t, std::uint32_t p) { t.try_emplace(std::string(pieceName(p)), p); }

    static std::uint32_t lookup(const KeyTable& t, std::string_view key) {
        const auto it = t.find(key);
        return it == t.end() ? kNone : it->second;
    }

    KeyTable& keysOf(std::uint32_t s) {
        SectionEdits& e = edits[s];
        if (!e.keys) {
            KeyTable t;
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
        Lines fresh;
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

IniDocument::IniDocument() : text_(std::make_unique<Lines>()) {}

IniDocument::IniDocument(std::string bytes) : text_(std::make_unique<Lines>()) {
    text_->bytes = std::move(bytes);
    text_->parse();
}

IniDocument::~IniDocument() = default;
IniDocument::IniDocument(IniDocument&&) noexcept = default;
IniDocument& IniDocument::operator=(IniDocument&&) noexcept = default;

std::string IniDocument::readString(std::string_view section, std::string_view key,
                                    std::string_view def) const {
    const std::uint32_t p = text_->findKey(section, key);
    if (p == Lines::kNone) return std::string(def.substr(0, kMaxValueLength));
    const std::string_view line = text_->line(p);
    std::string_view value = trim(line.substr(classify(line).valueBegin));
    if (hasOuterQuotes(value)) value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, kMaxValueLength));
}

std::int32_t IniDocument::readInteger(std::string_view section, std::string_view key,
                                      std::int32_t def) const {
    return parseIniInteger(readString(section, key, "")).value_or(def);
}

bool IniDocument::readBool(std::string_view section, std::string_view key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

bool IniDocument::writeString(std::string_view section, std::string_view key,
                              std::string_view value) {
    if (!fitsOnOneLine(section) || !fitsOnOneLine(key) || !fitsOnOneLine(value))
        throw std::invalid_argument("an INI name or value must fit on one line");
    return text_->set(section, key, storedValue(value));
}

bool IniDocument::writeInteger(std::string_view section, std::string_view key, std::int32_t value) {
    return writeString(section, key, std::to_string(value));
}

bool IniDocument::writeBool(std::string_view section, std::string_view key, bool value) {
    return writeString(section, key, value ? "1" : "0");
}

std::string IniDocument::serialize() const {
    return text_->serialize();
}

bool IniDocument::fitsOnOneLine(std::string_view text) {
    return fitsInLine(text);
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
