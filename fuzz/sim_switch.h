// sim_switch.h - the simulated switch behind the fuzz targets that ask the
// driver: made once per process, in-process, with a small fixed topology
// that has stack ports, an absent unit and a unit of 32 ports.
#pragma once

#include <cstdlib>

#include "entry/control.h"
#include "kel.h"

namespace fuzz {

constexpr char kLayout[] = "24fe,2ge/stack;-;32ge;4fe,4ge";

inline void open_switch() {
    static const bool ready = [] {
        if (!kelsim::reset(kLayout) || kel_io_init() != 0) std::abort();
        return true;
    }();
    (void)ready;
}

}  // namespace fuzz
