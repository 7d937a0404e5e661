// The settings file: the saver's start with full lists against the floor of reading the file and
// looking at each listed file once; a folder of 1000 pictures added to the file against writing
// that file once; and the memory and time of reading a file of many short lines (the saver's
// first write reads the whole file and writes it back), against its size.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unordered_map>
#include <vector>

#include "AsciiCase.h"

#include "BenchSupport.h"
#include "EventLoop.h"
#include "HeadlessHost.h"
#include "IniFile.h"
#include "MediaSlots.h"
#include "MessageBox.h"
#include "Options.h"
#include "SaverWindow.h"
#include "SettingsStore.h"
#include "SystemServices.h"

using namespace quillo;

namespace {

struct Folder {
    std::string dir;
    Folder() {
        dir = bench::makeTempFolder();
        std::filesystem::create_directories(dir + "/config/Quillo");
        std::filesystem::create_directories(dir + "/media");
        setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
        for (int n = 1; n <= 1000; ++n) {
            std::ofstream(media("p", n)) << "x";
            std::ofstream(media("s", n)) << "x";
        }
    }
    ~Folder() { std::filesystem::remove_all(dir); }
    std::string ini() const { return dir + "/config/Quillo/quillo51.ini"; }
    std::string media(const char* kind, int n) const {
        return dir + "/media/" + kind + std::to_string(n) + (kind[0] == 'p' ? ".jpg" : ".wav");
    }
    // 1000 pictures and 1000 sound files, every one of which exists.
    void writeFullLists() const {
        std::ofstream out(ini(), std::ios::trunc);
        out << "[Options]\nSound=1\nStatus=1\nSeq=1\nRepeat=0\nTime=5000\nColor=1\nPicdis=1\n"
               "Height=25\nWidth=25\n[JpegConfig]\n";
        for (int n = 1; n <= 1000; ++n) out << "Name" << n << "=" << media("p", n) << "\n";
        out << "[WavConfig]\n";
        for (int n = 1; n <= 1000; ++n) out << "Name" << n << "=" << media("s", n) << "\n";
    }
};

const Folder& folder() {
    static const Folder f;
    return f;
}

// The saver's start: settings paths, the "Status" write, the options and both lists read, each
// listed file looked at.
void BM_SaverStart_1000x1000(benchmark::State& state) {
    const Folder& f = folder();
    f.writeFullLists();
    HeadlessHost host({1920, 1080});
    EventLoop loop(host);
    LinuxSystemServices services;
    for (auto _ : state) {
        SaverWindow form(host, loop, services);
        form.start();
        benchmark::DoNotOptimize(form.playlist().size());
        if (form.playlist().size() != 1000 || form.sound().files().size() != 1000)
            state.SkipWithError("the lists were not read whole");
    }
}
BENCHMARK(BM_SaverStart_1000x1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the file's bytes read once and each of the 2000 listed files looked at once.
void BM_ReadFileAndStat2000(benchmark::State& state) {
    const Folder& f = folder();
    f.writeFullLists();
    for (auto _ : state) {
        std::ifstream in(f.ini(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        benchmark::DoNotOptimize(bytes.data());
        struct stat st {};
        for (int n = 1; n <= 1000; ++n) {
            benchmark::DoNotOptimize(::stat(f.media("p", n).c_str(), &st));
            benchmark::DoNotOptimize(::stat(f.media("s", n).c_str(), &st));
        }
    }
}
BENCHMARK(BM_ReadFileAndStat2000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The key index of the settings text, measured on the saver's start: the file of 1000 + 1000
// slots indexed and its 9 options and 2000 slots looked up once each, through the standard
// library's hash map (what the document uses) and through a hand-written open-addressing table.
// Both hash and compare names the same way (ASCII case folded); the hand-written one would have
// to make the whole start (BM_SaverStart_1000x1000) 1.5 times faster to earn its place.
struct KeyLine {
    std::string_view section, name, value;
};

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::vector<KeyLine> keyLines(std::string_view text) {
    std::vector<KeyLine> keys;
    std::string_view section;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            section = trimmed(line.substr(1, line.rfind(']') - 1));
        } else if (const std::size_t eq = line.find('='); eq != std::string_view::npos) {
            keys.push_back({section, trimmed(line.substr(0, eq)), trimmed(line.substr(eq + 1))});
        }
    }
    return keys;
}

std::size_t foldedHash(std::string_view name) {
    std::size_t h = 14695981039346656037ull;
    for (char c : name) h = (h ^ std::uint8_t(asciiLower(c))) * 1099511628211ull;
    return h;
}

struct FoldedHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return foldedHash(s); }
};
struct FoldedEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
        return equalsIgnoringAsciiCase(a, b);
    }
};

// The document's kind of index: one map per section, first key of a name wins.
struct StdIndex {
    std::unordered_map<std::string,
                       std::unordered_map<std::string, std::uint32_t, FoldedHash, FoldedEqual>,
                       FoldedHash, FoldedEqual>
        sections;
    const std::vector<KeyLine>& keys;
    explicit StdIndex(const std::vector<KeyLine>& k) : keys(k) {
        for (std::uint32_t i = 0; i < keys.size(); ++i)
            sections[std::string(keys[i].section)].try_emplace(std::string(keys[i].name), i);
    }
    std::string_view find(std::string_view section, std::string_view name) const {
        const auto s = sections.find(section);
        if (s == sections.end()) return {};
        const auto k = s->second.find(name);
        return k == s->second.end() ? std::string_view() : keys[k->second].value;
    }
};

// Open addressing: each slot the name's hash (high half) and the key's number + 1 (low half).
struct HandTable {
    std::vector<std::uint64_t> slots;
    std::size_t probe(const std::vector<KeyLine>& keys, std::string_view name,
                      std::uint32_t h) const {
        const std::size_t mask = slots.size() - 1;
        std::size_t i = h & mask;
        for (; slots[i] != 0; i = (i + 1) & mask)
            if (std::uint32_t(slots[i] >> 32) == h &&
                equalsIgnoringAsciiCase(keys[std::uint32_t(slots[i]) - 1].name, name))
                break;
        return i;
    }
};
struct HandIndex {
    std::vector<std::pair<std::string_view, HandTable>> sections;
    const std::vector<KeyLine>& keys;
    explicit HandIndex(const std::vector<KeyLine>& k) : keys(k) {
        for (std::uint32_t i = 0; i < keys.size(); ++i) {
            HandTable* t = table(keys[i].section);
            if (!t) {
                sections.push_back({keys[i].section, HandTable{std::vector<std::uint64_t>(4096)}});
                t = &sections.back().second;
            }
            const std::uint32_t h = std::uint32_t(foldedHash(keys[i].name));
            const std::size_t at = t->probe(keys, keys[i].name, h);
            if (t->slots[at] == 0) t->slots[at] = (std::uint64_t(h) << 32) | (i + 1);
        }
    }
    HandTable* table(std::string_view section) {
        for (auto& [name, t] : sections)
            if (equalsIgnoringAsciiCase(name, section)) return &t;
        return nullptr;
    }
    std::string_view find(std::string_view section, std::string_view name) {
        HandTable* t = table(section);
        if (!t) return {};
        const std::uint32_t h = std::uint32_t(foldedHash(name));
        const std::uint64_t e = t->slots[t->probe(keys, name, h)];
        return e == 0 ? std::string_view() : keys[std::uint32_t(e) - 1].value;
    }
};

template <class Index>
void saverLookups(benchmark::State& state) {
    const Folder& f = folder();
    f.writeFullLists();
    std::ifstream in(f.ini(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    const std::vector<KeyLine> keys = keyLines(text);
    std::vector<std::string> names;
    for (int n = 1; n <= 1000; ++n) names.push_back(slotKey(n));
    for (auto _ : state) {
        Index index(keys);
        std::size_t total = 0;
        for (const OptionRow& row : optionTable()) total += index.find("Options", row.key).size();
        for (const std::string& name : names) {
            total += index.find("JpegConfig", name).size();
            total += index.find("WavConfig", name).size();
        }
        benchmark::DoNotOptimize(total);
    }
}
void BM_KeyIndexStd_1000x1000(benchmark::State& state) {
    saverLookups<StdIndex>(state);
}
void BM_KeyIndexHandWritten_1000x1000(benchmark::State& state) {
    saverLookups<HandIndex>(state);
}
BENCHMARK(BM_KeyIndexStd_1000x1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeyIndexHandWritten_1000x1000)->Unit(benchmark::kMicrosecond);

// What "Add Entire Folder" asks of the settings file, without the dialog's list widgets: 1000
// pictures into the free slots of a new file, in one replacement under the writers' lock.
class NoListBox : public ListBox {
public:
    int count() const override { return lines; }
    std::string line(int) const override { return {}; }
    int selectedIndex() const override { return 0; }
    void append(const std::string&) override { ++lines; }
    void remove(int) override {}
    void select(int) override {}
    void clear() override { lines = 0; }
    int lines = 0;
};

class NoBoxes : public MessageBoxes {
public:
    MessageResult show(MessageKind, const std::string&, MessageButtons) override {
        return MessageResult::Ok;
    }
};

std::vector<std::string> folderPaths() {
    std::vector<std::string> paths;
    for (int n = 1; n <= 1000; ++n) paths.push_back(folder().media("p", n));
    return paths;
}

const SettingsStore& settings() {
    static const SettingsStore store = [] {
        NoBoxes boxes;
        return SettingsStore(locateSettings(boxes).file);
    }();
    return store;
}

void freshDefaults() {
    std::filesystem::remove(settings().path());
    settings().createNewFile();
    const int fd = ::open(settings().path().c_str(), O_RDONLY | O_CLOEXEC);
    ::fdatasync(fd);  // the set-up's writes are not the add's to pay for
    ::close(fd);
}

void BM_FolderAddToFile1000(benchmark::State& state) {
    const std::vector<std::string> paths = folderPaths();
    NoBoxes boxes;
    for (auto _ : state) {
        state.PauseTiming();
        freshDefaults();
        NoListBox pictures, sounds;
        MediaLists lists{settings(), SlotTables(), pictures, sounds};
        state.ResumeTiming();
        if (!AddPictureEntries(lists, boxes, paths, folder().dir + "/media/"))
            state.SkipWithError("the list was full");
    }
}
BENCHMARK(BM_FolderAddToFile1000)->Unit(benchmark::kMillisecond)->Iterations(20);

// Baseline: the file that add leaves, written once (temporary file, data synced, renamed).
void BM_WriteFolderFileOnce(benchmark::State& state) {
    freshDefaults();
    {
        NoBoxes boxes;
        NoListBox pictures, sounds;
        MediaLists lists{settings(), SlotTables(), pictures, sounds};
        AddPictureEntries(lists, boxes, folderPaths(), folder().dir + "/media/");
    }
    std::ifstream in(settings().path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const std::string temp = settings().path() + ".new";
    for (auto _ : state) {
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()) ||
            ::fdatasync(fd) != 0 || ::close(fd) != 0 ||
            ::rename(temp.c_str(), settings().path().c_str()) != 0)
            state.SkipWithError("could not write the file");
    }
}
BENCHMARK(BM_WriteFolderFileOnce)->Unit(benchmark::kMillisecond)->Iterations(20);

// A settings file of `mib` MiB of short lines: plain text lines, or keys of the picture list.
std::string shortLinesFile(int mib, bool keys) {
    const std::string path = folder().dir + "/short-" + std::to_string(mib) + (keys ? "k" : "t");
    if (std::filesystem::exists(path)) return path;
    std::ofstream out(path, std::ios::binary);
    out << "[Options]\nTime=5000\n[JpegConfig]\n";
    const std::size_t size = std::size_t(mib) << 20;
    std::size_t written = 0;
    for (std::size_t i = 0; written < size; ++i) {
        const std::string line = keys ? "Name" + std::to_string(i) + "=x\n" : std::string("x\n");
        out << line;
        written += line.size();
    }
    return path;
}

// Runs body in a child process; reports its peak resident memory and its time.
template <class Body>
void inChild(benchmark::State& state, const std::string& path, Body body) {
    const double fileMiB = double(std::filesystem::file_size(path)) / (1 << 20);
    long peakKiB = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) _exit(body() ? 0 : 1);
        int status = 0;
        struct rusage usage {};
        wait4(pid, &status, 0, &usage);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("child failed");
        peakKiB = std::max(peakKiB, usage.ru_maxrss);
    }
    state.counters["peak_MiB"] = double(peakKiB) / 1024;
    state.counters["file_MiB"] = fileMiB;
    state.counters["peak_per_file_size"] = double(peakKiB) / 1024 / fileMiB;
}

// The saver's reading of the file: the "Status" write (read, change, replace), the options and the
// 2000 slots.
void BM_SaverReadsShortLines(benchmark::State& state) {
    const std::string path = shortLinesFile(int(state.range(0)), state.range(1) != 0);
    const std::string copy = path + ".ini";
    inChild(state, path, [&] {
        std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
        IniFile ini(copy);
        ini.writeBool("Options", "Status", true);
        const Options o = readOptions(ini);
        std::size_t total = 0;
        for (int n = 1; n <= 1000; ++n) {
            total += ini.readString("JpegConfig", "Name" + std::to_string(n), " ").size();
            total += ini.readString("WavConfig", "Name" + std::to_string(n), " ").size();
        }
        return o.time == 5000 && total > 0;
    });
}
BENCHMARK(BM_SaverReadsShortLines)
    ->ArgsProduct({{16, 60}, {0, 1}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The floor of the same child: the file copied and read into memory once.
void BM_ReadBytesOnly(benchmark::State& state) {
    const std::string path = shortLinesFile(int(state.range(0)), state.range(1) != 0);
    const std::string copy = path + ".ini";
    inChild(state, path, [&] {
        std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
        std::ifstream in(copy, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        return !bytes.empty();
    });
}
BENCHMARK(BM_ReadBytesOnly)
    ->ArgsProduct({{16, 60}, {0, 1}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
