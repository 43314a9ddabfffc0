// Binary record files: framing, long records split into signed pieces, reads
// of fewer and more bytes than a record holds, and the reference map as
// subrecords.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

#include "common/record_file.h"
#include "common/reference_map_file.h"
#include "common/unit_file.h"
#include "program_run.h"

namespace {

using namespace common;

std::string bytes(std::initializer_list<int> v) {
    std::string s;
    for (int b : v) s += static_cast<char>(b);
    return s;
}

struct record_fixture {
    std::filesystem::path path;
    explicit record_fixture(const std::string& name) {
        auto dir = test_support::make_scratch_dir("record_" + name);
        path = dir / "data.unf";
    }
    std::string written(const std::function<void(unit_file&)>& fn) {
        unit_file f(10, path.string());
        f.open();
        fn(f);
        f.close();
        return test_support::read_file(path);
    }
};

TEST(record_file, framing_of_small_records) {
    record_fixture r("small");
    EXPECT_EQ(r.written([](unit_file& f) { write_record(f, {bytes_of(int32_t{3})}); }),
              bytes({4, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0}));
    EXPECT_EQ(r.written([](unit_file& f) { write_record(f, {bytes_of("", 0)}); }), bytes({0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(r.written([](unit_file& f) {
        write_record(f, {bytes_of(int8_t{-1}), bytes_of(int64_t{2})});
    }),
              bytes({9, 0, 0, 0, 255, 2, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0}));
}

// The char-buffer framing gives the same bytes as a record written to a file.
TEST(record_file, framing_into_a_char_buffer) {
    const int32_t three = 3;
    const int8_t minus_one = -1;
    const int64_t two = 2;
    const char strand = 'F';
    char out[64];
    const auto framed = [&out](std::initializer_list<out_bytes> parts) {
        return std::string(out, put_record(out, parts));
    };
    EXPECT_EQ(framed({bytes_of(three)}), bytes({4, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0}));
    EXPECT_EQ(framed({bytes_of("", 0)}), bytes({0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(framed({}), bytes({0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(framed({bytes_of(minus_one), bytes_of(two), bytes_of(strand)}),
              bytes({10, 0, 0, 0, 255, 2, 0, 0, 0, 0, 0, 0, 0, 'F', 10, 0, 0, 0}));
    char le[8];
    EXPECT_EQ(std::string(le, put_le(le, int32_t{-2})), bytes({0xfe, 0xff, 0xff, 0xff}));
    EXPECT_EQ(std::string(le, put_le(le, int16_t{0x0102})), bytes({2, 1}));
}

// A room keeps the bytes up to the end its writer gives, or all of it; a
// room larger than the file's buffer gets a buffer of its size.
TEST(unit_file, a_record_room_keeps_what_was_formatted_in_it) {
    record_fixture r("room");
    const std::string big(unit_file::buffer_size + 10, 'b');
    const std::string file = r.written([&](unit_file& f) {
        {
            record_room room(f, 16);
            char* o = room.data();
            std::memcpy(o, "head\n", 5);
            room.finish(o + 5);
        }
        {
            record_room room(f, 3);
            std::memcpy(room.data(), "abc", 3);
        }
        {
            record_room room(f, big.size());
            std::memcpy(room.data(), big.data(), big.size());
        }
        f.write_line("tail");
    });
    EXPECT_EQ(file, "head\nabc" + big + "tail\n");
}

TEST(record_file, long_records_split_into_signed_pieces) {
    // The real limit is 2,147,483,639 bytes; a limit of 4 takes the same path.
    record_fixture r("split");
    std::string data = "abcdefghij";  // 10 bytes: pieces 4, 4, 2
    std::string file = r.written([&](unit_file& f) {
        out_bytes part[] = {bytes_of(data.data(), 3), bytes_of(data.data() + 3, 7)};
        write_record(f, part, 4);
    });
    EXPECT_EQ(file, bytes({0xfc, 0xff, 0xff, 0xff}) + "abcd" + bytes({4, 0, 0, 0}) + bytes({0xfc, 0xff, 0xff, 0xff}) +
                        "efgh" + bytes({0xfc, 0xff, 0xff, 0xff}) + bytes({2, 0, 0, 0}) + "ij" +
                        bytes({0xfe, 0xff, 0xff, 0xff}));
    std::string exact = r.written([&](unit_file& f) {
        out_bytes part[] = {bytes_of(data.data(), 4)};
        write_record(f, part, 4);
    });
    EXPECT_EQ(exact, bytes({4, 0, 0, 0}) + "abcd" + bytes({4, 0, 0, 0}));

    // The reader sees one record of 10 bytes.
    test_support::write_file(r.path, file + bytes({4, 0, 0, 0, 7, 0, 0, 0, 4, 0, 0, 0}));
    unit_file f(10, r.path.string());
    f.open();
    char got[10];
    int32_t next = 0;
    read_record(f, {into(got, 10)});
    read_record(f, {into(next)});
    EXPECT_EQ(std::string(got, 10), data);
    EXPECT_EQ(next, 7);
}

TEST(record_file, reader_skips_the_rest_and_fails_on_short_records) {
    record_fixture r("read");
    test_support::write_file(r.path, bytes({8, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 8, 0, 0, 0}) +
                                         bytes({4, 0, 0, 0, 9, 0, 0, 0, 4, 0, 0, 0}) + bytes({0, 0, 0, 0, 0, 0, 0, 0}));
    unit_file f(10, r.path.string());
    f.open();
    int32_t a = 0, b = 0;
    read_record(f, {into(a)});  // longer record: the rest is skipped
    read_record(f, {into(b)});
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 9);
    read_record(f, {});  // the empty record read with no items
    EXPECT_EXIT(read_record(f, {into(a)}), testing::ExitedWithCode(24), "end-of-file during read, unit 10");

    test_support::write_file(r.path, bytes({4, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0}));
    unit_file g(10, r.path.string());
    g.open();
    int64_t too_big = 0;
    EXPECT_EXIT(read_record(g, {into(too_big)}), testing::ExitedWithCode(67),
                "input statement requires too much data, unit 10");
}

// A chromosome longer than the piece limit is a chain of subrecords; the
// limit is lowered to 4 so that 10 bases take the path of 2,147,483,640.
TEST(reference_map_file, a_chromosome_past_the_piece_limit_is_written_and_read_as_subrecords) {
    record_fixture r("map_pieces");
    table<int32_t> CHROLEN;
    CHROLEN.allocate(1, 2);
    CHROLEN[1] = 10;
    CHROLEN[2] = 4;
    matrix<char> REFERENCE;
    REFERENCE.allocate(10, 2);
    std::memcpy(REFERENCE.column(1), "ACGTACGTNN", 10);
    std::memcpy(REFERENCE.column(2), "TTTT", 4);
    table<char> READMAP;
    READMAP.allocate(1, 10);
    const std::string file =
        r.written([&](unit_file& f) { write_reference_map(f, 2, CHROLEN, REFERENCE, READMAP, 4); });
    const std::string head = bytes({4, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0}) +
                             bytes({4, 0, 0, 0, 10, 0, 0, 0, 4, 0, 0, 0}) + bytes({4, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0});
    const std::string minus4 = bytes({0xfc, 0xff, 0xff, 0xff}), plus4 = bytes({4, 0, 0, 0});
    EXPECT_EQ(file, head + minus4 + "ACGT" + plus4 + minus4 + "ACGT" + minus4 + bytes({2, 0, 0, 0}) + "NN" +
                        bytes({0xfe, 0xff, 0xff, 0xff}) + plus4 + "TTTT" + plus4);

    unit_file f(10, r.path.string());
    f.open();
    ASSERT_EQ(read_map_number(f), 2);
    ASSERT_EQ(read_map_number(f), 10);
    ASSERT_EQ(read_map_number(f), 4);
    char first[10], second[4];
    read_map_chromosome(f, first, 10);
    read_map_chromosome(f, second, 4);
    EXPECT_EQ(std::string(first, 10), "ACGTACGTNN");
    EXPECT_EQ(std::string(second, 4), "TTTT");
}

}  // namespace
