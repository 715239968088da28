// engine.h - the dataplane: real Ethernet frames through the simulated
// switch, one network interface per front port, every frame switched by
// the model that the library's requests configure.
//
// Each front port gets a veth pair. The host's end, named after the port
// ("fa1-0-3" for fa1/0/3), is made in the caller's network namespace (or a
// named one) and may be moved into any host's namespace; the switch's end
// lives in a network namespace of the dataplane's own, so that nothing but
// the port interfaces is visible, and so that the interfaces go away with
// the dataplane even when it is killed. The host end's carrier follows the
// port's link (administratively up and cable plugged).
//
// Locking: a frame is switched by the dataplane's View (view.h), never by
// the model under its lock. Before each batch the dataplane looks, without
// the lock, whether the switch changed (Model::epoch); if it did, it takes
// the lock only if it is free at once (TryLock) and compiles the View
// again; after each batch it adds the batch's counters and learned
// stations the same way. A request therefore takes effect from the next
// batch on, and a client that holds the lock (even one stopped in a
// debugger) delays only the moment its own change and the frames' counters
// become visible: the frames keep flowing by the View they have. The lock
// is never held across a system call that can wait.
#pragma once

#include "dataplane/ring.h"
#include "model/model.h"

namespace kelsim {

struct DataplaneOptions {
    const char *netns = nullptr;         // an "ip netns" name for the host ends; null: the caller's namespace
    const char *pcap_dir = nullptr;      // a directory for one capture file per port (NAME.pcap)
    int cpu = -1;                        // runs on this CPU, with its ports' receive work steered there (RPS)
    int stop_fd = -1;                    // stops when it becomes readable (a signalfd, an eventfd)
    void (*ready)(void *arg) = nullptr;  // called once the interfaces exist and frames flow
    void *ready_arg = nullptr;
    RingSize ring;
};

// Runs the dataplane on a model until stop_fd becomes readable, then
// removes the interfaces it made and answers 0. Answers 1, after a message
// on stderr and with nothing made, when it cannot start: another dataplane
// runs on the model, a port's interface name is taken, a privilege is
// missing (CAP_NET_ADMIN; CAP_SYS_ADMIN for its namespace). The calling
// thread moves into the dataplane's network namespace and stays there.
int run_dataplane(Model &m, const DataplaneOptions &o);

// The interface name of a port: its short name with '/' made '-'.
void port_interface_name(const Topology &t, uint32_t unit, uint32_t port, char *out, size_t size);

}  // namespace kelsim
