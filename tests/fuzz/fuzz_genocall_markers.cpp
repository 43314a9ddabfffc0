// Feeds arbitrary bytes to genocall's marker and frequency readers: the line
// counts, the count check and the marker table. The first byte chooses
// whether a frequency file is given; the rest is the variant file, followed,
// after the first two zero bytes, by the frequency file.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "fuzz_support.h"
#include "genocall/marker_input.h"
#include "genocall/run_stop.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::init();
    genocall::set_stop_hook(fuzz_support::throw_stop);
    if (size == 0) return 0;
    const bool with_frequencies = data[0] & 1;
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t cut = rest.find(std::string_view("\0\0", 2));
    fuzz_support::write_input("variants.txt", rest.substr(0, cut));
    fuzz_support::write_input("frequencies.txt", cut == std::string_view::npos ? "" : rest.substr(cut + 2));
    char variant_name[] = "variants.txt";
    char frequency_name[] = "frequencies.txt";
    genocall::runtime_options opt;
    opt.variant_input_filename = variant_name;
    opt.frequency_input_filename = with_frequencies ? frequency_name : nullptr;
    // A stopped run leaves what it holds in the table: released either way,
    // so the leak check sees only what the reader itself loses.
    genocall::marker_table markers;
    try {
        genocall::read_markers(opt, markers);
    } catch (const fuzz_support::run_ended&) {
    }
    genocall::release_markers(markers);
    fuzz_support::close_new_descriptors();
    return 0;
}
