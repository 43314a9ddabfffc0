// Feeds arbitrary bytes to genocall's read-depth reader. The first byte picks
// the form of the file (its low two bits: 0 plain, 1 the rest gzip-compressed
// by this target, 2 the rest taken as a .gz file as it stands) and the marker
// count M (its upper bits, 0..63, so the variant file has M + 1 lines).
#include <zlib.h>

#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "genocall/readdepth_input.h"
#include "genocall/run_stop.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::init();
    genocall::set_stop_hook(fuzz_support::throw_stop);
    if (size == 0) return 0;
    const int form = data[0] & 3;
    const int32_t line_count = (data[0] >> 2) + 1;
    char plain_name[] = "depth.txt";
    char gz_name[] = "depth.txt.gz";
    if (form == 1) {
        gzFile out = gzopen(gz_name, "wb");
        if (out == nullptr) __builtin_trap();
        if (size > 1) gzwrite(out, data + 1, static_cast<unsigned>(size - 1));
        gzclose(out);
    } else {
        fuzz_support::write_input(form == 0 ? plain_name : gz_name, data + 1, size - 1);
    }
    genocall::runtime_options opt;
    opt.readdepth_input_filename = form == 0 ? plain_name : gz_name;
    // A stopped run leaves what it holds in the table: released either way,
    // so the leak check sees only what the reader itself loses.
    genocall::sample_table samples;
    try {
        genocall::open_depth_file(opt, samples);
        genocall::read_depth_lines(opt, line_count, samples);
    } catch (const fuzz_support::run_ended&) {
    }
    genocall::close_depth_file(samples);
    genocall::release_samples(samples);
    fuzz_support::close_new_descriptors();
    return 0;
}
