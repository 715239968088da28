// stats.cpp - the port statistics (family 0x0C): one getter per counter, all
// through command 0x0C01 with the counter's selector, and the whole record.
//
// Every function returns 0 whatever happens: a closed channel, a failed
// system call or a refusal by the driver leave the answer word at 0, so the
// caller reads a counter of 0. The selectors are the driver's counter
// numbers; the gaps (12 to 14, 33, 34, 37, 38, 40) are counters the library
// does not name.
#include "../util/guard.h"

#include "../io/request.h"

using kel::Request;
namespace slot = kel::slot;

namespace {

int32_t counter(const ifport *p, uint32_t selector, uint32_t *value) {
    Request(0x0C01, p).set(kel::slot::sel, selector).send(kel::slot::count, value);
    return 0;
}

}  // namespace

extern "C" {

int32_t kel_stats_rxocts_get(const ifport *p, uint32_t *v) { return counter(p, 0, v); }
int32_t kel_stats_rxucast_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 1, v); }
int32_t kel_stats_rxnucast_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 2, v); }
int32_t kel_stats_rxdiscard_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 3, v); }
int32_t kel_stats_rxerror_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 4, v); }
int32_t kel_stats_unknownproto_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 5, v); }
int32_t kel_stats_txocts_get(const ifport *p, uint32_t *v) { return counter(p, 6, v); }
int32_t kel_stats_txucast_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 7, v); }
int32_t kel_stats_txnucast_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 8, v); }
int32_t kel_stats_txdiscard_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 9, v); }
int32_t kel_stats_txerror_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 10, v); }
int32_t kel_stats_txqlen_get(const ifport *p, uint32_t *v) { return counter(p, 11, v); }
int32_t kel_stats_delay_exceed_discard_get(const ifport *p, uint32_t *v) { return counter(p, 15, v); }
int32_t kel_stats_mtu_exceed_discard_get(const ifport *p, uint32_t *v) { return counter(p, 16, v); }
int32_t kel_stats_in_frame_get(const ifport *p, uint32_t *v) { return counter(p, 17, v); }
int32_t kel_stats_out_frame_get(const ifport *p, uint32_t *v) { return counter(p, 18, v); }
int32_t kel_stats_in_discard_get(const ifport *p, uint32_t *v) { return counter(p, 19, v); }
int32_t kel_stats_dropevent_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 20, v); }
int32_t kel_stats_rxmcast_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 21, v); }
int32_t kel_stats_rxbcast_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 22, v); }
int32_t kel_stats_usize_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 23, v); }
int32_t kel_stats_frag_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 24, v); }
int32_t kel_stats_64octs_get(const ifport *p, uint32_t *v) { return counter(p, 25, v); }
int32_t kel_stats_65_127octs_get(const ifport *p, uint32_t *v) { return counter(p, 26, v); }
int32_t kel_stats_128_255octs_get(const ifport *p, uint32_t *v) { return counter(p, 27, v); }
int32_t kel_stats_256_511octs_get(const ifport *p, uint32_t *v) { return counter(p, 28, v); }
int32_t kel_stats_512_1023octs_get(const ifport *p, uint32_t *v) { return counter(p, 29, v); }
int32_t kel_stats_1024_1518octs_get(const ifport *p, uint32_t *v) { return counter(p, 30, v); }
int32_t kel_stats_osize_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 31, v); }
int32_t kel_stats_jabber_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 32, v); }
int32_t kel_stats_collision_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 35, v); }
int32_t kel_stats_crcalignerr_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 36, v); }
int32_t kel_stats_alignerror_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 39, v); }
int32_t kel_stats_singlecoll_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 41, v); }
int32_t kel_stats_multicoll_pkts_get(const ifport *p, uint32_t *v) { return counter(p, 42, v); }

int32_t kel_stats_port_get(const ifport *p, void *stats) {
    Request(0x0C02, p).buffer(stats).send();
    return 0;
}

}  // extern "C"
