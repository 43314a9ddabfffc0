// Feeds arbitrary bytes to the free-format reader through the item lists the
// programs use. The first byte picks the list; the rest is the file.
#include <cstdint>
#include <cstring>

#include "common/free_format_reader.h"
#include "common/unit_file.h"
#include "common/variant_record.h"
#include "fragsim/fragsim.h"
#include "fuzz_support.h"
#include "kmerbank/kmerbank.h"

namespace {

void kmerbank_options() {
    kmerbank::files f;
    f.options.open();
    kmerbank::read_options(f);
}

void variant_list() {
    common::unit_file file(11, "input.txt");
    file.open();
    common::free_format_reader in(file);
    static char allele[100000];
    common::variant_record r;
    if (!common::skip_variant_header(in)) return;
    for (int i = 0; i < 1000 && common::read_variant_record(in, r, allele, 99999); ++i) {
    }
}

void flank_list() {
    common::unit_file file(15, "input.txt");
    file.open();
    common::free_format_reader in(file);
    int32_t chrom = 0, loc = 0;
    for (int i = 0; i < 1000 && in.read({common::item(chrom), common::item(loc)}, true); ++i) {
    }
}

void fragsim_options() {
    fragsim::files f;
    fragsim::read_options(f);
}

void simseed() {
    fragsim::files f;
    f.simseed.open();
    fragsim::derived d;
    fragsim::read_seed(f, d);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::init();
    if (size == 0) return 0;
    const uint8_t which = data[0] % 5;
    const char* names[] = {"kmerbank.options", "input.txt", "input.txt", "fragsim.options", "simseed"};
    fuzz_support::write_input(names[which], data + 1, size - 1);
    try {
        switch (which) {
            case 0: kmerbank_options(); break;
            case 1: variant_list(); break;
            case 2: flank_list(); break;
            case 3: fragsim_options(); break;
            case 4: simseed(); break;
        }
    } catch (const fuzz_support::run_ended&) {
    }
    return 0;
}
