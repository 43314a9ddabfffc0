// Feeds arbitrary bytes to genocall's command-line parser and the checks
// after it: the input is the argument list after the program name, the
// arguments separated by zero bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "genocall/options.h"
#include "genocall/run_stop.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::init();
    genocall::set_stop_hook(fuzz_support::throw_stop);
    std::vector<std::string> words{"genocall"};
    if (size > 0) {
        words.emplace_back();
        for (size_t i = 0; i < size; ++i) {
            if (data[i] == 0)
                words.emplace_back();
            else
                words.back().push_back(static_cast<char>(data[i]));
        }
    }
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());
    genocall::runtime_options opt;
    char** args = nullptr;
    try {
        args = genocall::copy_arguments(argc, argv.data());
        genocall::runtime_options_string(argc, args, opt);
        genocall::print_unset_flags(opt);
        genocall::check_required_options(opt);
        genocall::check_error_rate(opt);
        genocall::print_call_thresholds(opt);
    } catch (const fuzz_support::run_ended&) {
    }
    if (args) genocall::release_options(opt, args, argc);
    return 0;
}
