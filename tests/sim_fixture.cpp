// sim_fixture.cpp - block checks shared by the wrapper tables.
#include "sim_fixture.h"

#include "alloc_counter.h"

namespace kel_test {

void expect_block(const kel_ioreq &b, uint32_t code, const std::vector<Word> &words, bool has_buf) {
    EXPECT_EQ(b.cmd, code);
    for (size_t off = 4; off < sizeof(kel_ioreq); off += 4) {
        if (off == offsetof(kel_ioreq, buf) || off == offsetof(kel_ioreq, buf_hi)) continue;
        uint32_t want = 0;
        for (const Word &w : words)
            if (w.offset == off) want = w.value;
        EXPECT_EQ(word_at(b, off), want) << "word at offset " << off << " of 0x" << std::hex << code;
    }
    bool buf_set = b.buf != 0 || b.buf_hi != 0;
    EXPECT_EQ(buf_set, has_buf) << "buf of 0x" << std::hex << code;
}

namespace {
const char some_buffer_tag = 0;
}  // namespace
const void *const kSomeBuffer = &some_buffer_tag;

void expect_sends(const std::vector<SendCase> &cases) {
    int32_t status = 0;
    kelsim::set_responder([&status](kel_ioreq &b) {
        b.status = status;
        return true;
    });
    for (const SendCase &c : cases) {
        SCOPED_TRACE(c.name);
        if (kCountingAllocator) {  // no wrapper allocates, whatever the driver answers
            for (int32_t s : {0, -300}) {
                status = s;
                EXPECT_EQ(allocations_in([&] { c.call(); }).calls, 0) << "status " << s;
            }
        }
        status = -300;
        kelsim::clear_journal();
        int32_t rc = c.call();
        switch (c.answer) {
            case Answer::status:
                EXPECT_EQ(rc, -300);
                break;
            case Answer::yes_no:
                EXPECT_TRUE(rc == 0 || rc == 1) << rc;
                break;
            case Answer::zero:
                EXPECT_EQ(rc, 0);
                break;
        }
        std::vector<kelsim::Sent> sent = kelsim::journal();
        ASSERT_GE(sent.size(), 1u);
        const kel_ioreq &b = sent.front().block;
        expect_block(b, c.code, c.words, c.buf != nullptr);
        if (c.buf && c.buf != kSomeBuffer) {
            EXPECT_EQ(kelsim::buffer_of(b), c.buf);
        }
    }
    kelsim::set_responder(nullptr);
}

void answer_with_markers(int32_t status) {
    kelsim::set_responder([status](kel_ioreq &b) {
        for (size_t off = 8; off < offsetof(kel_ioreq, mac); off += 4) set_word(b, off, marker(off));
        b.status = status;
        return true;
    });
}

}  // namespace kel_test
