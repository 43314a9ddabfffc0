// Posteriors, calls, dosages and their text, against the worked values of the
// model at several error rates and frequencies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "genocall/genotype_model.h"
#include "genocall/run_stop.h"
#include "genocall_texts.h"

namespace {

using genocall_test::fixed3;

struct sample_case {
    double e;
    double p;
    int min_depth;
    int r;
    int a;
    const char* gt;
    const char* gp;
    const char* ds;
};

TEST(genotype_model, sample_fields_match_the_worked_table) {
    genocall::set_flush_to_zero();
    const std::vector<sample_case> cases = {
        {0.001, 0.5, 1, 6, 0, "0/0", "0.970,0.030,0.000", "0.030"},
        {0.001, 0.5, 1, 5, 0, "./.", "0.941,0.059,0.000", "0.059"},
        {0.001, 0.5, 1, 8, 0, "0/0", "0.992,0.008,0.000", "0.008"},
        {0.001, 0.5, 1, 3, 3, "0/1", "0.000,1.000,0.000", "1.000"},
        {0.001, 0.5, 1, 1, 1, "0/1", "0.002,0.996,0.002", "1.000"},
        {0.001, 0.5, 1, 4, 1, "0/1", "0.016,0.984,0.000", "0.984"},
        {0.001, 0.5, 1, 0, 6, "1/1", "0.000,0.030,0.970", "1.970"},
        {0.001, 0.5, 1, 10, 1, "./.", "0.503,0.497,0.000", "0.497"},
        {0.001, 0.5, 1, 1, 0, "./.", "0.499,0.500,0.001", "0.501"},
        {0.001, 0.5, 1, 0, 0, "./.", "0.250,0.500,0.250", "1.000"},
        {0.001, 0.9, 1, 3, 0, "0/0", "0.973,0.027,0.000", "0.027"},
        {0.001, 0.9, 1, 0, 3, "./.", "0.000,0.693,0.307", "1.307"},
        {0.001, 0.2, 1, 0, 6, "1/1", "0.000,0.008,0.992", "1.992"},
        {0.01, 0.5, 1, 6, 0, "0/0", "0.968,0.032,0.000", "0.032"},
        // The minimum depth: 0 leaves only d = 0 missing by depth, a negative
        // value none, 6 makes (3, 3) missing despite P01 = 1.000.
        {0.001, 0.5, 0, 1, 0, "./.", "0.499,0.500,0.001", "0.501"},
        {0.001, 0.5, 0, 6, 0, "0/0", "0.970,0.030,0.000", "0.030"},
        {0.001, 0.5, -1, 0, 0, "./.", "0.250,0.500,0.250", "1.000"},
        {0.001, 0.5, 6, 3, 3, "./.", "0.000,1.000,0.000", "1.000"},
        {0.001, 0.5, 5, 3, 3, "0/1", "0.000,1.000,0.000", "1.000"},
        // Frequencies 0 and 1 leave one genotype; its likelihood underflows
        // to zero against many reads and the posteriors are not numbers.
        {0.001, 0.0, 1, 6, 0, "1/1", "0.000,0.000,1.000", "2.000"},
        {0.001, 1.0, 1, 0, 6, "0/0", "1.000,0.000,0.000", "0.000"},
        {0.001, 1.0, 1, 0, 255, "./.", "-nan,-nan,-nan", "-nan"},
        // e = 0: ln(0) times zero reads of one allele is not a number.
        {0.0, 0.5, 1, 6, 0, "./.", "-nan,-nan,-nan", "-nan"},
        {0.0, 0.5, 1, 0, 0, "./.", "-nan,-nan,-nan", "-nan"},
        {0.0, 0.5, 1, 2, 3, "0/1", "0.000,1.000,0.000", "1.000"},
    };
    for (const sample_case& c : cases) {
        const auto logs = genocall::make_error_logs(c.e);
        const auto post =
            genocall::genotype_posteriors(static_cast<uint8_t>(c.r), static_cast<uint8_t>(c.a), c.p, logs);
        const std::string where = "e " + std::to_string(c.e) + " p " + std::to_string(c.p) + " min " +
                                  std::to_string(c.min_depth) + " r " + std::to_string(c.r) + " a " +
                                  std::to_string(c.a);
        EXPECT_STREQ(c.gt, genocall::call_genotype(c.r + c.a, post, c.min_depth, 0.95)) << where;
        EXPECT_EQ(c.gp, fixed3(post.p00) + "," + fixed3(post.p01) + "," + fixed3(post.p11)) << where;
        EXPECT_EQ(c.ds, fixed3(genocall::dosage(post))) << where;
    }
}

TEST(call_genotype, threshold_is_strict_and_checked_in_genotype_order) {
    EXPECT_STREQ("./.", genocall::call_genotype(10, {0.95, 0.05, 0.0}, 1, 0.95));
    EXPECT_STREQ("0/0", genocall::call_genotype(10, {0.9500001, 0.05, 0.0}, 1, 0.95));
    EXPECT_STREQ("0/1", genocall::call_genotype(10, {0.0, 0.96, 0.96}, 1, 0.95));
    EXPECT_STREQ("1/1", genocall::call_genotype(2, {0.0, 0.0, 0.99}, 1, 0.95));
    EXPECT_STREQ("./.", genocall::call_genotype(1, {0.0, 0.0, 0.99}, 1, 0.95));
}

}  // namespace
