// wrappers.h - the table of the library's command wrappers, one row per call:
// the block it must send, where its outputs come from and what it answers
// when the driver writes nothing. test_wrappers runs it against answering
// and failing drivers, test_closed with the channel never opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "kel.h"

namespace kel_test {

// A row's expected, words separated by blanks:
//   @        the port P = {1, 5, 3}: unit 1 at 12, port 3 at 16 (the slot never travels)
//   N=V      the word at byte offset N holds V; every word not named holds 0
//   mac      the MAC address M at 76..81
//   buf      buf holds the caller's buffer B; own: a record of the library's own
//   rec      the second address (96, high half at 100 on 64-bit builds) holds the record R
//   a=N b=N  the outputs a and b (both preset to 7, a walk's cursor) are copied from word N
//   end      a walk that ends when 65535 comes back as its index, keeping the cursor
//   zero     answers 0 whatever happens (the statistics)
//   no, yes  a predicate: its answer when the driver wrote nothing
struct Row {
    const char *call;
    int32_t (*run)(uint32_t *a, uint32_t *b);
    uint16_t code;
    const char *expected;
};
extern const std::vector<Row> kRows;

enum class Kind { status, zero, no, yes };
enum class Buf { none, caller, own };

struct Expected {
    std::map<size_t, uint32_t> words;
    Buf buf = Buf::none;
    size_t a = 0, b = 0;
    bool end = false;
    Kind kind = Kind::status;
    // The word a block built to this expected holds at an offset.
    uint32_t sent(size_t offset) const {
        auto it = words.find(offset);
        return it == words.end() ? 0 : it->second;
    }
    // Whether output a is a walk's cursor, read as well as written.
    bool cursor() const { return a && words.count(a); }
};
Expected parse(const Row &row);

// Checks a block against a row: its code, every word, and its buffer.
void expect_block(const kel_ioreq &block, const Row &row, const Expected &expected);

// Checks the outputs a expected names: each must hold want(its offset).
void expect_outputs(const Expected &expected, uint32_t a, uint32_t b,
                    const std::function<uint32_t(size_t)> &want);

// What a row answers when nothing was written to the block it sent, whose
// system call returned `failure` (-1, or KEL_ERR_IO with the channel closed).
int32_t unanswered(const Expected &expected, int32_t failure);

// The buffer and record the rows hand over.
extern uint8_t *const B;
extern uint8_t *const R;

}  // namespace kel_test
