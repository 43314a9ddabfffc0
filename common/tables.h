#pragma once
// The fixed tables of kmerbank and fragsim: allocated once at the extents the
// options give, zero-filled, never grown. An extent of 0 or less gives an
// empty table; memory that cannot be had ends the run with "insufficient
// virtual memory" and status 41.
#include <cstddef>
#include <cstdint>

#include "common/run_end.h"

namespace common {

/// Zero-filled memory for count elements of size bytes; fatal 41 on failure
/// or when the byte count cannot be represented. Returns nullptr for count 0.
void* allocate_table(int64_t count, size_t size);
void release_table(void* p);

/// Asks the system to back the bytes at p with huge pages where it can, so
/// that a table read and written at random places needs fewer address
/// translations. Only a hint: contents and results stay the same, and a
/// system without huge pages ignores it.
void prefer_huge_pages(void* p, size_t bytes);

/// A one-dimensional table indexed lo..hi (inclusive).
template <typename T>
class table {
public:
    table() = default;
    ~table() { release(); }
    table(const table&) = delete;
    table& operator=(const table&) = delete;

    void allocate(int64_t lo, int64_t hi) {
        release();
        lo_ = lo;
        size_ = hi >= lo ? hi - lo + 1 : 0;
        data_ = static_cast<T*>(allocate_table(size_, sizeof(T)));
    }
    void release() {
        release_table(data_);
        data_ = nullptr;
        size_ = 0;
    }
    /// See common::prefer_huge_pages.
    void prefer_huge_pages() { common::prefer_huge_pages(data_, static_cast<size_t>(size_) * sizeof(T)); }
    T& operator[](int64_t i) { return data_[i - lo_]; }
    const T& operator[](int64_t i) const { return data_[i - lo_]; }
    /// Address of element i (for whole-array reads and writes).
    T* at(int64_t i) { return data_ + (i - lo_); }
    const T* at(int64_t i) const { return data_ + (i - lo_); }
    int64_t size() const { return size_; }
    T* data() { return data_; }
    const T* data() const { return data_; }

private:
    T* data_ = nullptr;
    int64_t lo_ = 1;
    int64_t size_ = 0;
};

/// A two-dimensional table (1..rows, 1..cols), the row index varying fastest:
/// column c holds rows 1..rows contiguously.
template <typename T>
class matrix {
public:
    matrix() = default;
    ~matrix() { release(); }
    matrix(const matrix&) = delete;
    matrix& operator=(const matrix&) = delete;

    void allocate(int64_t rows, int64_t cols) {
        release();
        rows_ = rows > 0 ? rows : 0;
        cols_ = cols > 0 ? cols : 0;
        if (rows_ > 0 && cols_ > INT64_MAX / rows_) out_of_memory();  // no byte count to ask for
        data_ = static_cast<T*>(allocate_table(rows_ * cols_, sizeof(T)));
    }
    void release() {
        release_table(data_);
        data_ = nullptr;
        rows_ = cols_ = 0;
    }
    T& operator()(int64_t row, int64_t col) { return data_[(col - 1) * rows_ + (row - 1)]; }
    const T& operator()(int64_t row, int64_t col) const { return data_[(col - 1) * rows_ + (row - 1)]; }
    /// Rows 1..rows of column col, contiguous.
    T* column(int64_t col) { return data_ + (col - 1) * rows_; }
    const T* column(int64_t col) const { return data_ + (col - 1) * rows_; }
    int64_t rows() const { return rows_; }
    int64_t cols() const { return cols_; }
    bool contains(int64_t row, int64_t col) const { return row >= 1 && row <= rows_ && col >= 1 && col <= cols_; }
    T* data() { return data_; }
    const T* data() const { return data_; }

private:
    T* data_ = nullptr;
    int64_t rows_ = 0, cols_ = 0;
};

}  // namespace common
