// radius_server.h - where the authenticator gets its RADIUS client: the
// servers, keys, timeouts and retries of the model made into one
// AuthServer. The dataplane's 802.1X runner calls it whenever the method
// or the servers change; a null answer means no RADIUS server can be
// reached, and every exchange that needs one fails as a server timeout.
#pragma once

#include <memory>

#include "model/model.h"
#include "proto/auth_server.h"

namespace kelsim {

std::unique_ptr<AuthServer> make_radius_server(const Model &m);

}  // namespace kelsim
