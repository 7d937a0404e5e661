#include "TestSupport.h"

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quillo::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillo-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests may leave read-only folders behind; make them writable so they can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* v = std::getenv(name)) old_ = v;
    setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (old_)
        setenv(name_.c_str(), old_->c_str(), 1);
    else
        unsetenv(name_.c_str());
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

int runWithoutOverride(const std::function<bool()>& body) {
    pid_t pid = fork();
    if (pid == 0) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        if (syscall(SYS_capget, &header, data) == 0) {
            for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
                data[cap / 32].effective &= ~(1u << (cap % 32));
                data[cap / 32].permitted &= ~(1u << (cap % 32));
            }
            syscall(SYS_capset, &header, data);
        }
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runWithDeadline(unsigned seconds, const std::function<bool()>& body) {
    pid_t pid = fork();
    if (pid == 0) {
        alarm(seconds);  // the default action ends the child
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

long peakMemoryMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

MessageResult ScriptedBoxes::show(MessageKind kind, const std::string& text,
                                  MessageButtons buttons) {
    shown.push_back({kind, text, buttons});
    if (answers.empty()) return MessageResult::Ok;
    MessageResult r = answers.front();
    answers.pop_front();
    return r;
}

namespace {

class FakeLibrary : public PasswordLibrary {
public:
    explicit FakeLibrary(FakeSystemServices& s) : s_(s) {}
    bool hasExport(const std::string& name) const override {
        if (name == "VerifyScreenSavePwd") return s_.hasVerifyExport;
        return name == "PwdChangePasswordA";
    }
    int VerifyScreenSavePwd(void* owner) override {
        ++s_.verifyCalls;
        s_.lastOwner = owner;
        if (s_.passwordAnswers.empty()) return 0;
        int r = s_.passwordAnswers.front();
        s_.passwordAnswers.pop_front();
        return r;
    }
    int PwdChangePasswordA(const std::string& provider, void* owner, int, int) override {
        ++s_.changePasswordCalls;
        s_.lastProvider = provider;
        s_.lastOwner = owner;
        return 0;
    }

private:
    FakeSystemServices& s_;
};

class FakeKey : public RegistryKey {
public:
    explicit FakeKey(FakeSystemServices& s) : s_(s) {}
    bool hasValue(const std::string& name) const override { return s_.values.count(name) > 0; }
    std::optional<std::int32_t> readInteger(const std::string& name) const override {
        auto it = s_.values.find(name);
        return it == s_.values.end() ? std::nullopt : it->second;
    }

private:
    FakeSystemServices& s_;
};

}  // namespace

std::unique_ptr<PasswordLibrary> FakeSystemServices::loadLibrary(const std::string& path) {
    loadedLibraries.push_back(path);
    if (!libraryLoads) return nullptr;
    return std::make_unique<FakeLibrary>(*this);
}

std::unique_ptr<RegistryKey> FakeSystemServices::openCurrentUserKey(const std::string&) {
    ++keysOpened;
    if (!keyExists) return nullptr;
    return std::make_unique<FakeKey>(*this);
}

}  // namespace quillo::test
