// The source loop: the sources on a team of threads, each one's fragments
// and reads in draw order, and its progress, warning and end lines.
#include "fragsim/source_loop.h"

#include <omp.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "common/fixed_width.h"
#include "common/free_format_writer.h"
#include "common/tables.h"
#include "common/thread_team.h"
#include "fragsim/fragment.h"
#include "fragsim/read_files.h"
#include "fragsim/read_model.h"

namespace fragsim {

namespace {

constexpr char strand_letter[3] = {' ', 'F', 'R'};  // by strand number: 1 forward, 2 reverse

// Everything one thread needs, created once when the loop starts: the work
// arrays, the bases and qualities of the two reads of a fragment (both are
// built before either is written), and the builder state with the streams'
// buffers of the thread's current source.
struct thread_work {
    work_arrays arrays;  // SEQUENCE, POSITION
    common::table<char> BASES[2], QUALS[2];
    std::unique_ptr<fragment_source> fs = std::make_unique<fragment_source>();
    explicit thread_work(const options& o) {
        arrays.allocate(o);
        for (auto& t : BASES) t.allocate(1, o.maxlngth);
        for (auto& t : QUALS) t.allocate(1, o.maxlngth);
    }
};

// Constants of the loop, derived once.
struct loop_constants {
    int32_t m, L, outformat, sources, seed, nreads;
    read_model model;
    float totlen;
};

double coverage_of(const loop_constants& lc, int32_t nseg) {
    return static_cast<double>(static_cast<float>(lc.m) * static_cast<float>(nseg) / lc.totlen);
}

// Console lines of the loop.

void print_end_lines(const loop_constants& lc, int32_t id, const std::string& base, int32_t nseg, int64_t total_bases) {
    std::string text;
    common::append_fixed_int(text, total_bases, 14);
    text += " total bases of sequence generated for sourceID";
    common::append_fixed_int(text, id, 10);
    text += '\n';
    common::append_fixed_int(text, nseg, 14);
    text += " sequence segments written to fastQ file ";
    text += base;
    text += '\n';
    common::append_fixed_int(text, nseg, 14);
    text += " records written, X coverage =";
    common::append_fixed_real(text, coverage_of(lc, nseg), 10, 4);
    text += '\n';
    common::free_format_line empty;
    text += empty.text();
    common::console_file().write_text(text);  // the source's end lines stay together
}

void print_progress(const loop_constants& lc, const std::string& base, int32_t nseg) {
    common::fixed_line()
        .integer(nseg, 14)
        .text(" records written, X coverage =")
        .real(coverage_of(lc, nseg), 10, 4)
        .text("   ")
        .text(base)
        .write_console();
}

void print_conflict(int32_t nseg, int8_t c, int32_t pos1, int32_t pos2) {
    common::free_format_line first, second;
    first.add("Conflicting locations for pair ").add(static_cast<int32_t>(nseg - 1)).add(c).add(pos1);
    second.add("                          pair ").add(nseg).add(c).add(pos2);
    std::string text(first.text());
    text += second.text();
    common::console_file().write_text(text);
}

// Nothing of the thread's previous source shows through the work arrays.
void clear_work_arrays(thread_work& w, int32_t L) {
    if (L <= 0) return;
    std::memset(w.arrays.SEQUENCE.data(), 'N', static_cast<size_t>(L));
    std::memset(w.arrays.POSITION.data(), 0, sizeof(int32_t) * static_cast<size_t>(L));
}

void simulate_source(const loop_constants& lc, const fragment_inputs& in, int32_t K, thread_work& w) {
    const int32_t m = lc.m, L = lc.L;
    const int32_t id = in.src.SOURCEID[K];
    const std::string base = base_name(K);
    source_files files(lc.outformat, K, read_file_names(base));
    clear_work_arrays(w, L);

    fragment_source& fs = *w.fs;
    fs.source = K;
    fs.allele_choice = 1;
    set_up_source_streams(fs.streams, lc.seed, K, lc.sources);
    stream_ahead& R = fs.streams.READSTREAM;
    int32_t nseg = 0;
    int64_t total_bases = 0;

    do {
        const int8_t c = build_fragment(in, fs, w.arrays);
        // The next fragment's memory, fetched while this one's reads are
        // built: its chromosome draw comes after the strand and two draws
        // per base, unless an error hit takes a replacement draw.
        prefetch_next_fragment(in, fs, 1 + 4 * m);
        const int dir1 = R.next() > 0.5 ? 2 : 1;
        int32_t pos[2];
        // Both reads are built first: then the next fragment's draws are
        // known, and its memory is fetched (again, when the guess above was
        // wrong) while the reads are written.
        for (int i = 0; i < 2; ++i) {
            const int dir = i == 0 ? dir1 : 3 - dir1;
            pos[i] = take_read_bases(w.arrays, dir, m, L, w.BASES[i].data());
            apply_read_model(lc.model, R, m, w.BASES[i].data(), w.QUALS[i].data());
            reseed_after_read(R, lc.seed, K, lc.sources, nseg + 1 + i);
        }
        prefetch_next_fragment(in, fs, 0);
        for (int i = 0; i < 2; ++i) {
            const int dir = i == 0 ? dir1 : 3 - dir1;
            ++nseg;
            const int8_t readno = static_cast<int8_t>(i + 1);
            const read_fields r{id, nseg, (nseg + 1) / 2, readno, c, m, pos[i], strand_letter[dir]};
            files.write_read(r, w.BASES[i].data(), w.QUALS[i].data());
            if (nseg % 10000000 == 0) print_progress(lc, base, nseg);
            total_bases += m;
        }
        const int64_t apart = static_cast<int64_t>(pos[0]) - pos[1];
        if ((apart < 0 ? -apart : apart) > L) print_conflict(nseg, c, pos[0], pos[1]);
    } while (nseg < lc.nreads);

    // The end lines tell of files that are complete.
    files.close();
    print_end_lines(lc, id, base, nseg, total_bases);
}

}  // namespace

void check_fragment_fits(const options& opt, const reference_map& map) {
    if (opt.sources < 1) return;  // a run that simulates nothing draws no fragment
    for (int32_t i = 1; i <= map.nchrom; ++i)
        if (map.CHROLEN[i] >= opt.fraglen) return;
    common::stop_with("No chromosome of the reference map is as long as fraglen =", opt.fraglen);
}

void simulate_sources(const options& opt, const derived& der, const reference_map& map, const variant_tables& var,
                      const source_tables& src) {
    if (opt.sources < 1) return;
    const loop_constants lc{opt.maxlngth,
                            opt.fraglen,
                            opt.outformat,
                            opt.sources,
                            der.seed,
                            der.nreads,
                            read_model_of(opt.errate, opt.missrate, der.quality),
                            static_cast<float>(map.totlen)};
    const fragment_inputs in{opt, map, var, src};
    cut_earlier_read_files(opt.outformat, opt.sources);
    const int team = common::usable_team_size(std::min(omp_get_max_threads(), opt.sources));
#pragma omp parallel num_threads(team)
    {
        thread_work w(opt);
#pragma omp for schedule(static)
        for (int32_t K = 1; K <= opt.sources; ++K) simulate_source(lc, in, K, w);
    }
}

}  // namespace fragsim
