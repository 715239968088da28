// sim_fixture.cpp - what the suites share (see sim_fixture.h).
#include "sim_fixture.h"

namespace kel_test {

void answer_with_markers(int32_t status) {
    kelsim::set_responder([status](kel_ioreq &b) {
        for (size_t off = 8; off < offsetof(kel_ioreq, mac); off += 4) set_word(b, off, marker(off));
        b.status = status;
        return true;
    });
}

}  // namespace kel_test
