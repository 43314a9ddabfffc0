// Writes benchmark inputs for genocall into a directory: a marker list, a
// frequency file and a read-depth file of the given size, from a fixed seed.
// Usage: make_genocall_data <dir> <samples> <markers>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// splitmix64: small, fast and the same on every machine.
struct random_stream {
    uint64_t state;
    uint64_t next() {
        uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
};

FILE* create(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) {
        std::perror(path.c_str());
        std::exit(1);
    }
    return f;
}

const char code_chars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <dir> <samples> <markers>\n", argv[0]);
        return 1;
    }
    const std::string dir = argv[1];
    const int samples = std::atoi(argv[2]);
    const int markers = std::atoi(argv[3]);
    random_stream random{20261210};
    const char bases[] = "ACGT";

    std::vector<double> frequency(static_cast<size_t>(markers));
    FILE* variants = create(dir + "/variants.txt");
    FILE* frequencies = create(dir + "/frequencies.txt");
    std::fprintf(variants, "CHROM POS ID QUAL FILTER REF ALT INFO\n");
    for (int k = 0; k < markers; ++k) {
        const int ref = static_cast<int>(random.next() % 4);
        const int alt = (ref + 1 + static_cast<int>(random.next() % 3)) % 4;
        frequency[k] = 0.05 + 0.9 * random.unit();
        std::fprintf(variants, "%d %d m%d . . %c %c .\n", 1 + k / 10000, 1000 + 100 * (k % 10000), k, bases[ref],
                     bases[alt]);
        std::fprintf(frequencies, "m%d x %.4f\n", k, frequency[k]);
    }
    std::fclose(variants);
    std::fclose(frequencies);

    // Each sample draws a genotype from the frequency and a depth of 0 to 15
    // reads, each read from one allele of the genotype with a 1% error.
    FILE* depth = create(dir + "/readdepth.txt");
    std::string code(2 * static_cast<size_t>(markers), '0');
    for (int j = 0; j < samples; ++j) {
        for (int k = 0; k < markers; ++k) {
            const int alt_alleles = (random.unit() >= frequency[k]) + (random.unit() >= frequency[k]);
            const int reads = static_cast<int>(random.next() % 16);
            int r = 0;
            int a = 0;
            for (int i = 0; i < reads; ++i) {
                bool is_alt = random.unit() * 2 < alt_alleles;
                if (random.unit() < 0.01) is_alt = !is_alt;
                (is_alt ? a : r) += 1;
            }
            code[2 * k] = code_chars[r];
            code[2 * k + 1] = code_chars[a];
        }
        std::fprintf(depth, "S%d P%d Q%d %s\n", j + 1, j + 1, j + 1, code.c_str());
    }
    std::fclose(depth);
    return 0;
}
