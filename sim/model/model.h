// model.h - the simulated switch: plain fixed-size data, no pointers.
//
// The model can live in process memory or in a file mapped MAP_SHARED by
// several processes; every access happens under its process-shared robust
// mutex (see state.h). Each area of the switch keeps its data in a structure
// of its own header.
#pragma once

#include <pthread.h>

#include <cstdint>

#include "model/area_forwarding.h"
#include "model/area_protocol.h"
#include "model/area_vlan.h"
#include "model/settings.h"
#include "model/topology.h"

namespace kelsim {

// Bump when the layout of Model changes: a state file of another version is
// refused, never reinterpreted.
constexpr uint32_t kModelVersion = 8;
constexpr char kModelMagic[8] = {'K', 'E', 'L', 'S', 'I', 'M', '0', '1'};

struct StateHeader {
    char magic[8];
    uint32_t version;
    uint32_t size;        // sizeof(Model)
    uint32_t byte_order;  // 0x01020304 as written by the processor that made the file
    uint32_t pad;
};

// The switch as a whole and the stack (families 0x00 and 0x01).
struct SystemState {
    uint8_t mac[6];
    uint8_t pad[2];
    uint32_t ready;          // 1 once start-up is complete
    uint32_t upgrading;      // 1 while an upgrade runs
    uint32_t reboots;        // reboots requested
    uint32_t discovering;    // 1 once stack discovery has started
    uint32_t firmware_sync;  // 1 after a firmware synchronisation
};

struct Model {
    StateHeader header;
    pthread_mutex_t mutex;
    // Held for its whole life by the one dataplane that carries the switch's
    // frames (dataplane/engine.h); robust, so a dataplane that was killed
    // leaves it to the next one.
    pthread_mutex_t dataplane;
    int32_t holder;         // the process holding the mutex, 0 when none (for messages)
    int32_t dataplane_pid;  // the process running the dataplane, 0 when none (for messages)
    uint64_t requests;      // requests answered since the state was made
    uint64_t epoch;         // changes of the switch made under a Lock (state.h)
    Topology topo;
    SystemState sys;
    SettingStore settings;
    VlanState vlan;
    ForwardingState fwd;
    ProtocolState proto;
};

// Fills a model for a topology: the state of a switch that has just started.
void init_model(Model &m, const Topology &t);

// Each area's own start-up state, called by init_model after the system part.
void init_vlan_area(Model &m);
void init_forwarding_area(Model &m);
void init_protocol_area(Model &m);

}  // namespace kelsim
