#include "fault_table.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <exception>

namespace test_support {

namespace fs = std::filesystem;

namespace {

// Thrown by a spoiler that cannot make its fault on this machine (no
// /dev/full); the runner passes the case over.
struct missing_device {};

}  // namespace

void run_fault_table(const fault_program& program, const std::vector<fault_case>& cases) {
    for (const fault_case& c : cases) {
        SCOPED_TRACE(program.name + " fault: " + c.label);
        if (c.memory_limit != 0 && built_with_sanitizer()) continue;
        if (c.file_size_limit != 0 && built_with_thread_sanitizer()) continue;
        if (!c.stdout_target.empty() && access(c.stdout_target.c_str(), W_OK) != 0) continue;
        const fs::path dir = make_scratch_dir(program.name + "_fault_" + c.label);
        program.write_inputs(dir);
        try {
            if (c.spoil) c.spoil(dir);
        } catch (const missing_device&) {
            continue;
        }
        std::vector<std::string> env = program.env;
        env.insert(env.end(), c.env.begin(), c.env.end());
        child_setup setup;
        setup.memory_limit = c.memory_limit;
        setup.file_size_limit = c.file_size_limit;
        setup.closed_streams = c.closed_streams;
        setup.stdout_target = c.stdout_target;
        const run_result r = run_program(program_path(program.name), dir, c.args.empty() ? program.args : c.args, env,
                                         program.timeout_seconds, setup);
        EXPECT_EQ(r.status, c.status) << r.out.substr(0, 4000) << r.err.substr(0, 4000);
        EXPECT_EQ(r.err, c.err);
        if (!c.out_part.empty()) {
            EXPECT_NE(r.out.find(c.out_part), std::string::npos) << r.out.substr(0, 4000);
        }
        if (!c.out_absent.empty()) {
            EXPECT_EQ(r.out.find(c.out_absent), std::string::npos) << r.out.substr(0, 4000);
        }
        // A check that cannot read a file it expects fails its case only.
        try {
            if (c.check) c.check(dir, r);
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
        }
    }
}

spoil_fn directory_named(std::string name) {
    return [name](const fs::path& dir) {
        fs::remove(dir / name);
        fs::create_directory(dir / name);
    };
}

spoil_fn missing(std::string name) {
    return [name](const fs::path& dir) { fs::remove(dir / name); };
}

spoil_fn full_disk_under(std::string name) {
    return [name](const fs::path& dir) {
        if (access("/dev/full", W_OK) != 0) throw missing_device{};
        fs::remove(dir / name);
        fs::create_symlink("/dev/full", dir / name);
    };
}

spoil_fn file_holding(std::string name, std::string contents) {
    return [name, contents](const fs::path& dir) { write_file(dir / name, contents); };
}

spoil_fn all_of(std::vector<spoil_fn> spoilers) {
    return [spoilers](const fs::path& dir) {
        for (const auto& s : spoilers) s(dir);
    };
}

spoil_fn link_named(std::string name, std::string target) {
    return [name, target](const fs::path& dir) {
        fs::remove(dir / name);
        fs::create_symlink(target, dir / name);
    };
}

spoil_fn hard_link_named(std::string name, std::string target) {
    return [name, target](const fs::path& dir) {
        fs::remove(dir / name);
        fs::create_hard_link(dir / target, dir / name);
    };
}

spoil_fn nul_filled(std::string name, std::string head, size_t size) {
    return [name, head, size](const fs::path& dir) {
        write_file(dir / name, head);
        fs::resize_file(dir / name, size);
    };
}

void expect_prefix_of(const std::string& actual, const std::string& whole, const std::string& what) {
    EXPECT_TRUE(whole.starts_with(actual)) << what << " (" << actual.size() << " bytes) is not a prefix of the "
                                           << whole.size() << " bytes of a sound run";
}

disk_check_fn all_checks(std::vector<disk_check_fn> checks) {
    return [checks](const fs::path& dir, const run_result& r) {
        for (const auto& check : checks) check(dir, r);
    };
}

disk_check_fn file_is(std::string name, std::string contents) {
    return [name, contents](const fs::path& dir, const run_result&) {
        const fs::path path = dir / name;
        const std::string held = file_exists(path) ? read_file(path) : "<missing>";
        EXPECT_TRUE(held == contents) << name << " is not as it should be";
    };
}

disk_check_fn no_file(std::string name) {
    return [name](const fs::path& dir, const run_result&) { EXPECT_FALSE(file_exists(dir / name)) << name; };
}

disk_check_fn console_is(std::string text, std::function<std::string(std::string_view)> mask) {
    return [text, mask](const fs::path&, const run_result& r) {
        EXPECT_EQ(mask ? mask(r.out) : mask_wall_time(r.out), text);
    };
}

disk_check_fn last_line_is(std::string line) {
    return [line](const fs::path&, const run_result& r) {
        EXPECT_EQ(last_text_line(r.out), line) << r.out.substr(0, 2000);
    };
}

disk_check_fn last_line_starts_with(std::string start) {
    return [start](const fs::path&, const run_result& r) {
        EXPECT_TRUE(last_text_line(r.out).starts_with(start)) << last_text_line(r.out).substr(0, 200);
    };
}

std::string last_text_line(const std::string& text) {
    const size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos) return "";
    const size_t newline = text.rfind('\n', end);
    const size_t start = newline == std::string::npos ? 0 : newline + 1;
    return text.substr(start, end - start + 1);
}

}  // namespace test_support
