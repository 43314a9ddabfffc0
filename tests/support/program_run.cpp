#include "program_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace test_support {

namespace fs = std::filesystem;

namespace {
std::string binary_dir() {
    const char* dir = std::getenv("TEST_BINARY_DIR");
    return dir ? dir : DEFAULT_TEST_BINARY_DIR;
}
}  // namespace

fs::path tests_source_dir() {
    const char* dir = std::getenv("TEST_SOURCE_DIR");
    return dir ? dir : DEFAULT_TEST_SOURCE_DIR;
}

fs::path tests_binary_dir() { return binary_dir(); }

std::string program_path(const std::string& name) { return binary_dir() + "/" + name + "/" + name; }

fs::path make_scratch_dir(const std::string& name) {
    std::string clean = name;
    for (char& c : clean)
        if (c == '/' || c == ' ') c = '_';
    fs::path dir = fs::path(binary_dir()) / "scratch" / (clean + "." + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

void write_file(const fs::path& path, std::string_view contents) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) throw std::runtime_error("cannot write " + path.string());
    f.write(contents.data(), static_cast<std::streamsize>(contents.size()));
}

std::string read_file(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool file_exists(const fs::path& path) { return fs::exists(fs::symlink_status(path)); }

std::vector<std::string> list_files(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

run_result run_program(const std::string& program, const fs::path& cwd, const std::vector<std::string>& args,
                       const std::vector<std::string>& extra_env, int timeout_seconds, size_t memory_limit) {
    child_setup setup;
    setup.memory_limit = memory_limit;
    return run_program(program, cwd, args, extra_env, timeout_seconds, setup);
}

run_result run_program(const std::string& program, const fs::path& cwd, const std::vector<std::string>& args,
                       const std::vector<std::string>& extra_env, int timeout_seconds, const child_setup& setup) {
    // Output goes to files beside the scratch directory, so a test sees only
    // what the program itself wrote in cwd.
    fs::path capture = cwd.parent_path() / (cwd.filename().string() + ".capture");
    fs::create_directories(capture);
    const std::string out_path = (capture / "stdout").string();
    const std::string err_path = (capture / "stderr").string();

    // An extra entry replaces an inherited one of the same name, and a later
    // extra entry an earlier one: the environment holds each name once.
    const auto name_of = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
    const auto set_later = [&](std::string_view entry, size_t from) {
        for (size_t k = from; k < extra_env.size(); ++k)
            if (name_of(extra_env[k]) == name_of(entry)) return true;
        return false;
    };
    std::vector<std::string> env_strings;
    for (char** e = environ; *e; ++e)
        if (!set_later(*e, 0)) env_strings.emplace_back(*e);
    for (size_t k = 0; k < extra_env.size(); ++k)
        if (!set_later(extra_env[k], k + 1)) env_strings.push_back(extra_env[k]);
    std::vector<char*> envp;
    for (auto& e : env_strings) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argv_strings{program};
    argv_strings.insert(argv_strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argv_strings) argv.push_back(a.data());
    argv.push_back(nullptr);

    write_file(out_path, "");
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        int in = open("/dev/null", O_RDONLY);
        int out = setup.stdout_target.empty() ? open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)
                                              : open(setup.stdout_target.c_str(), O_WRONLY);
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || chdir(cwd.c_str()) != 0) _exit(127);
        if (setup.memory_limit != 0) {
            const struct rlimit limit = {setup.memory_limit, setup.memory_limit};
            if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(127);
        }
        if (setup.file_size_limit != 0) {
            const struct rlimit limit = {setup.file_size_limit, setup.file_size_limit};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
        }
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        // The program starts with the three standard descriptors alone, or
        // fewer: a closed one is the lowest number its first opening takes.
        for (int fd : {in, out, err})
            if (fd > 2) close(fd);
        for (int fd : setup.closed_streams) close(fd);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    int wstatus = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
    for (;;) {
        pid_t r = waitpid(pid, &wstatus, WNOHANG);
        if (r == pid) break;
        if (r < 0 && errno != EINTR) throw std::runtime_error("waitpid failed");
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    run_result result;
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    result.out = read_file(out_path);
    result.err = read_file(err_path);
    return result;
}

bool built_with_thread_sanitizer() {
#if defined(__SANITIZE_THREAD__)
    return true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

bool built_with_sanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return built_with_thread_sanitizer();
#endif
#else
    return built_with_thread_sanitizer();
#endif
}

std::string fatal_line(int number, const char* what, int unit, const char* file) {
    return "Fatal error " + std::to_string(number) + ": " + what + ", unit " + std::to_string(unit) + ", file " + file +
           "\n";
}

std::string open_failure(int unit, const std::string& name, const std::string& reason) {
    return fatal_line(9, "permission to access file denied", unit, name.c_str()) + name + ": " + reason + "\n";
}

std::string write_failure(int unit, const char* name) { return fatal_line(38, "error during write", unit, name); }

std::string binary_bytes() {
    std::string b;
    for (int line = 0; line < 32; ++line) {
        b += "\x7f"
             "ELF";
        for (int c = 0; c < 32; ++c) {
            const char byte = static_cast<char>((line * 32 + c) * 37 & 0xff);
            b.push_back(byte == '\n' ? '\0' : byte);
        }
        b.push_back('\n');
    }
    return b;
}

std::string mask_wall_time(std::string_view text) {
    std::string result;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        size_t stop = end == std::string_view::npos ? text.size() : end + 1;
        std::string_view line = text.substr(pos, stop - pos);
        if (line.starts_with(" Wall time: "))
            result += " Wall time: <masked>\n";
        else
            result += line;
        pos = stop;
    }
    return result;
}

}  // namespace test_support
