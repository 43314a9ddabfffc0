// The genotype posteriors in their fixed order of operations, and the call
// made from them.
#include "genocall/genotype_model.h"

#include <cmath>

namespace genocall {

error_logs make_error_logs(double error_rate) { return {std::log(error_rate), std::log(1.0 - error_rate)}; }

read_likelihoods genotype_likelihoods(uint8_t r, uint8_t a, const error_logs& logs) {
    const int32_t d = r + a;
    const double rr = r;
    const double aa = a;
    const double Lhet = std::exp(static_cast<double>(d) * -0.6931471805599453);  // 0.5^d
    const double L11 = std::exp(aa * logs.l1e + rr * logs.le);
    const double L00 = std::exp(rr * logs.l1e + aa * logs.le);
    return {Lhet, L00, L11};
}

posteriors genotype_posteriors(const read_likelihoods& lik, double p) {
    const double Lhet = lik.het;
    const double q = 1.0 - p;
    const double qL11 = lik.hom_alt * q;
    const double N00 = (lik.hom_ref * p) * p;
    const double N01 = ((Lhet + Lhet) * p) * q;
    const double N11 = qL11 * q;
    // Nothing guards T = 0: the posteriors are then not numbers.
    const double T = (((p + p) * Lhet) + qL11) * q + N00;
    return {N00 / T, N01 / T, N11 / T};
}

const char* call_genotype(int32_t d, const posteriors& post, int32_t missing_min_read_depth,
                          double best_call_probability) {
    if (d <= missing_min_read_depth) return "./.";
    // A posterior that is not a number fails every comparison.
    if (post.p00 > best_call_probability) return "0/0";
    if (post.p01 > best_call_probability) return "0/1";
    if (post.p11 > best_call_probability) return "1/1";
    return "./.";
}

}  // namespace genocall
