// radius_server.h - 802.1X's RADIUS method as the model configures it: the
// servers of the RADIUS slots (in slot order, with their keys), the
// switch's MAC address as the Called-Station-Id, and each port's server
// timeout. Both read the model: call them under its lock.
#pragma once

#include <memory>

#include "model/model.h"
#include "proto/auth_server.h"
#include "proto/radius_client.h"

namespace kelsim {

RadiusSettings radius_settings(const Model &m);

// A RadiusClient (proto/radius_client.h) on the model's settings of now;
// the exchanges it begins later keep using them. Its socket belongs to the
// network namespace netns (a descriptor of one), or to the caller's when
// netns is -1 (or cannot be entered: then a message says so).
std::unique_ptr<AuthServer> make_radius_server(const Model &m, int netns = -1);

}  // namespace kelsim
