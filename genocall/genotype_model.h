#pragma once
// Genotype posteriors of one sample at one marker under a per-read error rate
// and Hardy-Weinberg priors, and the call made from them.
#include <cstdint>

namespace genocall {

/// ln(e) and ln(1 - e), taken once for the run.
struct error_logs {
    double le;
    double l1e;
};

/// The factors of the posteriors that depend on the read counts and the
/// error rate but not on the frequency: 0.5^d, the likelihood under 0/0 and
/// the exponential of the likelihood under 1/1.
struct read_likelihoods {
    double het;
    double hom_ref;
    double hom_alt;
};

struct posteriors {
    double p00;
    double p01;
    double p11;
};

error_logs make_error_logs(double error_rate);

/// The likelihood factors of r REF and a ALT reads.
read_likelihoods genotype_likelihoods(uint8_t r, uint8_t a, const error_logs& logs);

/// P00, P01, P11 from the likelihood factors at REF frequency p, in double
/// precision in the fixed order and grouping that decides the last bits.
posteriors genotype_posteriors(const read_likelihoods& lik, double p);

/// P00, P01, P11 for r REF and a ALT reads at REF frequency p.
inline posteriors genotype_posteriors(uint8_t r, uint8_t a, double p, const error_logs& logs) {
    return genotype_posteriors(genotype_likelihoods(r, a, logs), p);
}

/// "./." when d <= missing_min_read_depth; else the first of "0/0", "0/1",
/// "1/1" whose posterior is strictly above best_call_probability, or "./.".
const char* call_genotype(int32_t d, const posteriors& post, int32_t missing_min_read_depth,
                          double best_call_probability);

/// The alternate-allele dosage P01 + (P11 + P11).
inline double dosage(const posteriors& post) { return post.p01 + (post.p11 + post.p11); }

}  // namespace genocall
