// A read's FASTQ record and binary records, formatted whole in the read
// file's buffer under its lock; the read files of a source; the emptying of
// an earlier run's read files before the first source.
#include "fragsim/read_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "common/distinct_files.h"
#include "common/fixed_width.h"
#include "common/record_file.h"
#include "fragsim/fragsim.h"

namespace fragsim {

namespace {

// Record A of a read: 19 data bytes.
constexpr size_t record_a_data = 4 + 4 + 1 + 4 + 1 + 4 + 1;

char* put_record_a(char* out, const read_fields& r) {
    using common::bytes_of;
    return common::put_record(out, {bytes_of(r.id), bytes_of(r.nseg), bytes_of(r.readno), bytes_of(r.m), bytes_of(r.c),
                                    bytes_of(r.pos), bytes_of(r.strand)});
}

// Record A and record B (the m read bases) of a read, each formatted whole in
// the read file's own buffer.
void write_binary_read(common::unit_file& file, const read_fields& r, const char* bases) {
    const size_t m = static_cast<size_t>(r.m);
    if (r.m > common::record_piece_limit) {  // record B is a chain of subrecords
        {
            common::record_room a(file, common::framed_size(record_a_data));
            put_record_a(a.data(), r);
        }
        common::write_record(file, {common::bytes_of(bases, r.m)});
        return;
    }
    common::record_room room(file, common::framed_size(record_a_data) + common::framed_size(m));
    common::put_record(put_record_a(room.data(), r), {common::bytes_of(bases, r.m)});
}

// The four lines of a read's FASTQ record, formatted whole in the file's own
// buffer.
void write_fastq_read(common::unit_file& file, const read_fields& r, const char* bases, const char* qual) {
    const size_t m = static_cast<size_t>(r.m);
    common::record_room room(file, fastq_header_room + 2 * m + 4);
    char* o = put_fastq_header(room.data(), r);
    std::memcpy(o, bases, m);
    o += m;
    *o++ = '\n';
    *o++ = '+';
    *o++ = '\n';
    std::memcpy(o, qual, m);
    o += m;
    *o++ = '\n';
    room.finish(o);
}

}  // namespace

char* put_fastq_header(char* o, const read_fields& r) {
    *o++ = '@';
    o = common::put_int(o, r.pairno);
    *o++ = '/';
    o = common::put_fixed_int(o, r.readno, 1);
    char* const chromosome = o;
    o = common::put_fixed_int(o, r.c, 3);
    if (chromosome[0] != ' ') {  // a full field would join the read number: a blank goes first
        std::memmove(chromosome + 1, chromosome, 3);
        chromosome[0] = ' ';
        ++o;
    }
    o = common::put_fixed_int(o, r.pos, 10);
    o = common::put_fixed_int(o, r.id, 10);
    o = common::put_fixed_int(o, r.pairno, 12);
    o = common::put_fixed_int(o, r.m, 6);
    *o++ = ' ';
    *o++ = r.strand;
    *o++ = '\n';
    return o;
}

source_files::source_files(int32_t outformat, int32_t K, const read_file_names& names)
    : binary_(writes_binary(outformat)),
      fastq_(writes_fastq(outformat)),
      unf_(unit_of(K), names.unf),
      fq1_(unit_of(K) + 1, names.fq1),
      fq2_(unit_of(K) + 2, names.fq2) {
    if (binary_) unf_.open();
    if (fastq_) {
        fq1_.open();
        fq2_.open();
    }
}

void source_files::write_read(const read_fields& r, const char* bases, const char* qual) {
    if (binary_) write_binary_read(unf_, r, bases);
    if (fastq_) write_fastq_read(r.readno == 1 ? fq1_ : fq2_, r, bases, qual);
}

void source_files::close() {
    unf_.close();
    fq1_.close();
    fq2_.close();
}

// A run that ends early then leaves no file that could pass for a complete
// one, and a run that ends normally writes each of them anyway. Only regular
// files are cut; a name that is something else (a directory, a device) meets
// its error or its use in its source's turn.
void cut_earlier_read_files(int32_t outformat, int32_t sources) {
    common::output_claims claims;
    const auto cut = [&claims](const std::string& name) {
        claims.claim(name);  // never an input or another output of the run
        struct stat st {};
        if (stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return;
        // A file that cannot be cut here cannot be written either: its
        // source's opening or first write reports the error.
        [[maybe_unused]] const int status = truncate(name.c_str(), 0);
    };
    for (int32_t K = 1; K <= sources; ++K) {
        const read_file_names names(base_name(K));
        if (writes_binary(outformat)) cut(names.unf);
        if (writes_fastq(outformat)) {
            cut(names.fq1);
            cut(names.fq2);
        }
    }
}

}  // namespace fragsim
