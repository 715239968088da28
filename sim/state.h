// state.h - where the model lives and how it is locked.
//
// A process uses one model: private memory by default, or a state file
// shared with other processes (KELSIM_STATE, or kelsim --state FILE). The
// file holds the model as it is, behind a header (magic, version, size,
// byte order) that is checked on every open: a file of another size,
// version or byte order is refused, never reinterpreted.
#pragma once

#include <cstddef>

#include "model.h"

namespace kelsim {

// The process's model, made on first use from the environment:
// KELSIM_STATE (a state file), KELSIM_TOPOLOGY (the layout of a new model).
// Null when the environment names a state file that cannot be used; the
// reason is printed on stderr once.
Model *current_model();

// Opens a state file, creating it for topology t when it does not exist (or
// always, when fresh is set). Null on failure, with the reason in err.
Model *open_state_file(const char *path, const Topology &t, bool fresh, char *err, size_t err_size);

// Makes the process use a private model of topology t (created once and then
// re-initialised in place), and returns it.
Model *use_private_model(const Topology &t);

// Holds the model's mutex. A previous owner that died while holding it leaves
// the model as it was; the lock is then made consistent and taken.
class Lock {
public:
    explicit Lock(Model &m);
    ~Lock();
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;

private:
    Model &m_;
};

}  // namespace kelsim
