// state.h - where the model lives and how it is locked.
//
// A process uses one model: private memory by default, or a state file
// shared with other processes (KELSIM_STATE, or kelsim --state FILE). The
// file holds the model as it is, behind a header (magic, version, size,
// byte order) that is checked on every open: a file of another size,
// version or byte order is refused, never reinterpreted.
//
// kelsim writes only files that are its own: a path that is absent, an
// empty regular file, or a kelsim state file. Symbolic links are refused,
// not followed; devices, FIFOs, sockets and directories are never opened.
// State files are made mode 0600: they hold RADIUS keys and passwords in
// clear, as the switch's own memory does.
#pragma once

#include <sys/types.h>

#include <cstddef>

#include "model/model.h"

namespace kelsim {

// The process's model, made on first use from the environment:
// KELSIM_STATE (a state file), KELSIM_TOPOLOGY (the layout of a new model).
// Null when the environment names a state file that cannot be used; the
// reason is printed on stderr once.
Model *current_model();

// Opens a state file, making it for topology t when it is absent or an
// empty regular file; fresh (--reset) remakes an existing state file of
// any version. Null on failure, with the reason in err.
Model *open_state_file(const char *path, const Topology &t, bool fresh, char *err, size_t err_size);

// Makes the process use a private model of topology t (created once and then
// re-initialised in place), and returns it. A child forked while another
// thread was inside a request gets a usable copy.
Model *use_private_model(const Topology &t);

// The process id, without a system call (kept right across fork).
pid_t own_pid();

// How long a Lock waits: KELSIM_LOCK_TIMEOUT seconds, 5 when unset.
double lock_timeout();

// Holds the model's mutex. A previous owner that died while holding it leaves
// the model as it was; the lock is then made consistent and taken. A holder
// that keeps it longer than lock_timeout() (stopped, say) makes the lock
// fail: the Lock is then false, errno is ETIMEDOUT, and stderr names the
// process that holds the switch.
//
// Releasing a Lock counts one change of the switch (Model::epoch) unless it
// was taken with changes false (a request that only reads): the dataplane
// compiles the settings again when the count moved.
class Lock {
public:
    explicit Lock(Model &m, bool changes = true);
    ~Lock();
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;
    explicit operator bool() const { return held_; }

private:
    Model &m_;
    bool held_;
    bool changes_;
};

// Takes the model's mutex only when it is free at once (a dead owner's is
// recovered), never waiting: the dataplane's way in, so that no frame ever
// waits for a request. Releasing it counts no change: what the dataplane
// writes (learned entries, counters) is not a setting.
class TryLock {
public:
    explicit TryLock(Model &m);
    ~TryLock();
    TryLock(const TryLock &) = delete;
    TryLock &operator=(const TryLock &) = delete;
    explicit operator bool() const { return held_; }

private:
    Model &m_;
    bool held_;
};

// The count of changes, read without the lock.
inline uint64_t change_epoch(const Model &m) { return __atomic_load_n(&m.epoch, __ATOMIC_ACQUIRE); }

}  // namespace kelsim
