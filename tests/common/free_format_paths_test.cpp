// The reader as the programs use it (plain reads in one pass) against the
// general reader alone: the same input read by both, read after read, must
// give the same values, the same result, the same place in the file and the
// same stop. The inputs are the corner cases of the free-format rules and
// random variant lists that mix plain records with every other shape.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "common/free_format_reader.h"
#include "common/unit_file.h"
#include "program_run.h"

namespace {

using namespace common;

// Each path reads in a child process of its own, so that a fatal end of the
// reader ends the child as it ends a run. The child hands each read's entry
// over as it is made (its size, a colon, its bytes, which may hold any byte),
// its standard error goes to a file of its own, and its exit status and that
// text close the trace: the same stop, with the same message, for both paths.
void write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n <= 0) _exit(100);
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

std::vector<std::string> entries_of(const std::string& framed) {
    std::vector<std::string> entries;
    size_t at = 0;
    while (at < framed.size()) {
        const size_t colon = framed.find(':', at);
        const size_t size = std::stoul(framed.substr(at, colon - at));
        entries.push_back(framed.substr(colon + 1, size));
        at = colon + 1 + size;
    }
    return entries;
}

// The items of one read shape, their storage set to the same marks before
// the first read, so that values a read leaves unchanged show too.
struct shape {
    const char* name;
    std::vector<item_kind> kinds;
    int32_t text_length;      // texts of a fixed length
    int32_t allele_capacity;  // > 0: the last item is a text whose length the item before it gives
};

const shape shapes[] = {
    {"variant_record", {item_kind::int8, item_kind::int32, item_kind::text, item_kind::int32, item_kind::int32}, 3, 12},
    {"variant_record_full_allele",
     {item_kind::int8, item_kind::int32, item_kind::text, item_kind::int32, item_kind::int32},
     3,
     int32_t{value_capacity}},
    {"integers", {item_kind::int32, item_kind::int32, item_kind::int32, item_kind::int8}, 0, 0},
    {"options", {item_kind::int32, item_kind::real32, item_kind::real32, item_kind::text}, 5, 0},
};

struct shape_storage {
    int8_t i8[8];
    int32_t i32[8];
    float f32[8];
    std::vector<std::vector<char>> texts;
    std::vector<read_item> items;
    explicit shape_storage(const shape& s) {
        std::memset(i8, 0x5a, sizeof i8);
        std::memset(i32, 0x5a, sizeof i32);
        std::memset(f32, 0x5a, sizeof f32);
        texts.reserve(s.kinds.size() + 1);
        for (size_t i = 0; i < s.kinds.size(); ++i) {
            switch (s.kinds[i]) {
                case item_kind::int8: items.push_back(item(i8[i])); break;
                case item_kind::int32: items.push_back(item(i32[i])); break;
                case item_kind::real32: items.push_back(item(f32[i])); break;
                case item_kind::text:
                    texts.emplace_back(static_cast<size_t>(s.text_length), '\x5a');
                    items.push_back(text_item(texts.back().data(), s.text_length));
                    break;
            }
        }
        if (s.allele_capacity > 0) {  // the length is the last number item
            texts.emplace_back(static_cast<size_t>(s.allele_capacity), '\x5a');
            items.push_back(text_item(texts.back().data(), &i32[s.kinds.size() - 1], s.allele_capacity));
        }
    }
    std::string values() const {  // a large text by its hash
        std::string all(reinterpret_cast<const char*>(i8), sizeof i8);
        all.append(reinterpret_cast<const char*>(i32), sizeof i32);
        all.append(reinterpret_cast<const char*>(f32), sizeof f32);
        for (const auto& b : texts) {
            const std::string_view v(b.data(), b.size());
            all += v.size() <= 64 ? std::string(v) : std::to_string(std::hash<std::string_view>{}(v));
            all += '|';
        }
        return all;
    }
};

// Every read of a file by one path until the end of the file or a stop: per
// read its result, the values of all items and the place in the file: the
// count of the bytes read ahead and not yet taken (all of the file's rest
// while it fits the read buffer) and the first of them. The end of the trace
// is the child's exit: status 0 after the end of the file, or the fatal
// error's number and its line.
std::vector<std::string> trace_reads(const std::filesystem::path& path, const shape& s, bool general,
                                     size_t max_reads) {
    const std::filesystem::path dir = path.parent_path();
    const std::filesystem::path trace_path = dir / "trace", err_path = dir / "err";
    const pid_t child = fork();
    if (child == 0) {
        const int trace_fd = ::open(trace_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err_fd = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (trace_fd < 0 || err_fd < 0 || dup2(err_fd, 2) < 0) _exit(100);
        {
            unit_file file(11, path.string());
            file.open(file_use::input);
            free_format_reader in(file);
            shape_storage st(s);
            for (size_t n = 0; n < max_reads; ++n) {
                const bool more = general ? in.read_general(st.items, true) : in.read(st.items, true);
                const std::string_view ahead = file.window();
                std::string entry =
                    (more ? "read " : "end of file ") + st.values() + " " + std::to_string(ahead.size()) + " ahead: ";
                entry += ahead.substr(0, 64);
                write_all(trace_fd, std::to_string(entry.size()) + ":" + entry);
                if (!more) break;
            }
        }
        _exit(0);
    }
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 100) << "the reading child ended abnormally: " << status;
    std::vector<std::string> trace = entries_of(test_support::read_file(trace_path));
    trace.push_back("exit " + std::to_string(WEXITSTATUS(status)) + " " + test_support::read_file(err_path));
    return trace;
}

void expect_same_reads(const std::filesystem::path& path, const std::string& what, std::span<const shape> read_shapes) {
    constexpr size_t max_reads = 200000;
    for (const shape& s : read_shapes) {
        const std::vector<std::string> general = trace_reads(path, s, true, max_reads);
        const std::vector<std::string> plain = trace_reads(path, s, false, max_reads);
        ASSERT_EQ(plain.size(), general.size()) << what << ", shape " << s.name;
        for (size_t i = 0; i < general.size(); ++i)
            ASSERT_EQ(plain[i], general[i]) << what << ", shape " << s.name << ", read " << i + 1;
    }
}

// The corner cases of the free-format rules, each read by every shape.
TEST(free_format_paths, corner_cases_read_the_same) {
    const std::string long_text(value_capacity, 'A');
    const std::string cases[] = {
        // separators, lines and the rest of a line
        "1 2 3 4 5 6\n",
        "1,2,3,4,5,6\n",
        "1\t2 \t 3\r\n4 5 6\r\n",
        "1 , 2 ,3\n",
        "1 2\n\n  3\n4 5 6\n",
        "4 5 this is ignored\n",
        "4 5",
        "1 2 3 4 5 6",
        "\n\n1 2 3 4 5 6\n",
        "   \n 1 2 3 4 5 6 \n",
        "1 2 3 4 5 6,\n",
        "1 2 3 4 5 6/\n",
        "1 2 3 4 5 6/junk\n7 8 9 10 11 12\n",
        "1 2 3 4 5 6, junk\n",
        // repeat counts, null values, slashes
        "3*0 1 2 3\n",
        "2* 5 6 7 8\n",
        "1,,3 4 5 6\n",
        ",2,3 4 5 6\n",
        "1 2 /\n3 4 5 6 7 8\n",
        "1 2 3*\n",
        "2*'A B' CD 1 2 3\n",
        "1 2 2*SNP 1 A\n",
        "1 2 SNP 0 1 2*A\n",
        "0*1 2 3\n",
        "1*\n",
        "*1 2 3\n",
        // signs, ranges and conversion errors
        "+7 -8 -2147483648 127 1 A\n",
        "128 1 2 3\n",
        "-129 1 2 3\n",
        "1 2147483648 SNP 0 1 A\n",
        "12ab 1 2 3\n",
        "1.0 2 3 4\n",
        "+ 1 2 3\n",
        "- 1 2 3\n",
        "x 1\n",
        "1 2 SNP 0 1.5 A\n",
        "0000000000007 2 3 4 5 6\n",
        "1 -0 +0 00 0 A\n",
        "1 2 SNP 0 1 A\n1 2 SNP 0 x A\n",
        // texts: cut, padded, quoted, with marks inside
        "SNPX DE 'A B' \"x\"\"y\" ok\n",
        "1 2 'SNP' 0 1 A\n",
        "1 2 SNP 0 1 'A'\n",
        "1 2 S'P 0 1 A\n",
        "1 2 SNP 0 3 A*B\n",
        "1 2 SNP 0 3 'A B\n",
        "1 2 \"SNP\" 0 1 \"\"\n",
        "1 2 SNP 0 20 ACGT\n",
        // allele lengths: none, negative, past the capacity
        "1 2 SNP 0 0\n3 4 SNP 0 1 A\n",
        "1 2 SNP 0 -5 zz\n3 4 INS 0 2 AC\n",
        "1 2 SNP 0 100001 " + long_text + "\n",
        // reals
        "30 0.01 1.5E-3 .5 -2.e1\n",
        "1 1e39 2 x\n",
        "1 nan 2 x\n",
        "1 2.5 3.5 abcdefg\n",
        // values at the length the reader holds, and longer
        long_text + " 7\n",
        long_text + "B 7\n8 9 10 11 12 13\n",
        std::string(1, '1').append(value_capacity, '0').append("\n"),
        "1 2 SNP 0 5 " + long_text + "\n",
        // the end of the file
        "",
        "\n",
        "1 2 SNP 0\n",
        "1 2 SNP 0 1",
        "1 2 SNP 0 1 A",
        "header\n1 2 SNP 0 1 A\n2 3 INS 0 2 AC\n",
        "1 10 SNP 0 1 g\n2 20 INSX 0 3 ACG\n3 30 DEL 0 0\n4 40 SNP 0 1 T\n5 50 INS 0\n",
    };
    const std::filesystem::path dir = test_support::make_scratch_dir("free_format_paths_corners");
    for (size_t i = 0; i < std::size(cases); ++i) {
        test_support::write_file(dir / "input.txt", cases[i]);
        expect_same_reads(dir / "input.txt", "case " + std::to_string(i) + " '" + cases[i].substr(0, 60) + "'", shapes);
    }
}

// Random variant lists: most records plain, the others in every other shape
// the rules allow (and a few that stop the run), in random order.
std::string random_list(std::mt19937& g, int records, bool plain_only) {
    auto pick = [&](int n) { return static_cast<int>(g() % static_cast<unsigned>(n)); };
    auto chance = [&](int per_thousand) { return pick(1000) < per_thousand; };
    const char* bases = "ACGTNacgt";
    std::string out;
    for (int k = 0; k < records; ++k) {
        const bool awkward = !plain_only && chance(300);
        auto separator = [&] {
            if (!awkward) return std::string(chance(50) ? "  " : " ");
            switch (pick(12)) {
                case 0: return std::string(",");
                case 1: return std::string(" , ");
                case 2: return std::string("\n");
                case 3: return std::string(" \n\n ");
                case 4: return std::string("\t");
                case 5: return std::string("\r\n");
                default: return std::string(" ");
            }
        };
        // A number, now and then with a sign, leading zeros or a repeat
        // count of one, and very rarely one that stops the run.
        auto number = [&](int64_t v) {
            const std::string t = std::to_string(v);
            if (!awkward) return t;
            const int form = pick(10000);
            const char* prefixes[] = {"+", "00", "1*"};
            if (form < 300) return prefixes[form / 100] + t;
            if (form == 300) return "'" + t + "'";  // a quoted number
            if (form == 301) return t + "x";
            if (form == 302) return std::string("99999999999");
            return t;
        };
        const int len = chance(20) ? pick(3) - 1 : 1 + pick(chance(100) ? 30 : 10);
        std::string allele;
        const int shown = awkward && chance(200) ? pick(len + 3) : std::max(len, 0);
        for (int i = 0; i < shown; ++i) allele += bases[pick(9)];
        if (awkward && chance(100) && !allele.empty())
            allele[static_cast<size_t>(pick(static_cast<int>(allele.size())))] = "*'\"/,"[pick(5)];
        const char* types[] = {"SNP", "INS", "DEL", "INSX", "DE", "snp"};
        std::string type = types[awkward ? pick(6) : pick(3)];
        if (awkward && chance(100)) type = "'" + type + "'";
        if (awkward && chance(50)) type = "1*" + type;
        std::string line = number(awkward && pick(10000) == 0 ? 200 : 1 + pick(24));  // 200: out of 8 bits
        line += separator() + number(1 + pick(250000000)) + separator() + type + separator() + number(pick(3)) +
                separator() + number(len);
        if (len > 0 || (awkward && chance(300))) line += separator() + (allele.empty() ? std::string("A") : allele);
        // The last record may be cut short by the end of the file.
        if (k == records - 1 && chance(500)) line.resize(static_cast<size_t>(pick(static_cast<int>(line.size()) + 1)));
        if (awkward && chance(50)) line += " /";
        if (awkward && chance(50)) line += ",,";
        if (chance(30)) line += "   a comment";
        out += line;
        if (k < records - 1 || chance(500)) out += awkward && chance(30) ? "\r\n" : "\n";
    }
    return out;
}

TEST(free_format_paths, random_lists_read_the_same) {
    const std::filesystem::path dir = test_support::make_scratch_dir("free_format_paths_random");
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 g(seed);
        const std::string list = random_list(g, 400, false);
        test_support::write_file(dir / "input.txt", list);
        expect_same_reads(dir / "input.txt", "seed " + std::to_string(seed), std::span(shapes, 1));
    }
}

// A list longer than the read buffer: records that the end of the bytes read
// ahead cuts go through the general reader.
TEST(free_format_paths, records_across_the_read_buffer_read_the_same) {
    const std::filesystem::path dir = test_support::make_scratch_dir("free_format_paths_long");
    std::mt19937 g(77);
    std::string list = random_list(g, 100000, true);
    list += random_list(g, 2000, false);
    ASSERT_GT(list.size(), 2 * unit_file::read_buffer_size);
    test_support::write_file(dir / "input.txt", list);
    expect_same_reads(dir / "input.txt", "long list", std::span(shapes, 1));
}

// The stops as a run sees them: the same status and message from each path.
TEST(free_format_paths, fatal_stops_are_the_same) {
    struct {
        const char* input;
        int status;
        const char* message;
    } cases[] = {{"1 2 SNP 0 1 A\n128 2 SNP 0 1 A\n", 64, "Fatal error 64: input conversion error, unit 11, file "},
                 {"1 x SNP 0 1 A\n", 64, "Fatal error 64: input conversion error, unit 11, file "},
                 {"1 2 SNP 0 1 A\n", 24, "Fatal error 24: end-of-file during read, unit 11, file "}};
    for (const auto& c : cases) {
        const std::filesystem::path dir = test_support::make_scratch_dir("free_format_paths_fatal");
        test_support::write_file(dir / "input.txt", c.input);
        for (const bool general : {true, false}) {
            auto read_all = [&] {
                unit_file file(11, (dir / "input.txt").string());
                file.open(file_use::input);
                free_format_reader in(file);
                int8_t chrom = 0;
                int32_t loc = 0, unused = 0, len = 0;
                char type[3], allele[8];
                const read_item items[] = {item(chrom),  item(loc), text_item(type, 3),
                                           item(unused), item(len), text_item(allele, &len, 8)};
                for (;;) general ? in.read_general(items) : in.read(items);
            };
            EXPECT_EXIT(read_all(), testing::ExitedWithCode(c.status), c.message) << c.input << general;
        }
    }
}

}  // namespace
