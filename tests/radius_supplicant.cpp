// radius_supplicant.cpp - a scripted EAP-MD5 station behind kelsim's RADIUS
// client, for radius_e2e.sh: the servers and port 1/0/1's server timeout
// are set through the library, the client comes from the model
// (make_radius_server), and the station answers the Identity, then the
// server's MD5 challenge, until a verdict or the servers' last try.
//   radius_supplicant USER PASSWORD TIMEOUT ADDR:PORT:SECRET...
// Prints the outcome ("accept session-timeout=N eap=CODE", "reject eap=CODE",
// "unreachable") and the client's counters; exits 0 once it has a verdict.
#include <arpa/inet.h>
#include <poll.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "entry/control.h"
#include "family/radius_server.h"
#include "kel.h"
#include "proto/md5.h"

namespace {

using namespace kelsim;

uint64_t now_ms() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return uint64_t(t.tv_sec) * 1000 + uint64_t(t.tv_nsec) / 1000000;
}

struct Station final : AuthSink {
    std::string password;
    std::vector<uint8_t> answer;  // the next EAP response to submit
    std::string verdict;

    void relay(const AuthPeer &, const uint8_t *eap, size_t n) override {
        if (n < 6 || eap[0] != 1 || eap[4] != 4 || n < 6u + eap[5]) return;  // only MD5-Challenge
        Md5 h;  // MD5(identifier password challenge)
        h.update(&eap[1], 1);
        h.update(password.data(), password.size());
        h.update(eap + 6, eap[5]);
        answer = {2, eap[1], 0, 6 + kMd5Size, 4, kMd5Size};
        answer.resize(answer.size() + kMd5Size);
        h.finish(&answer[6]);
    }
    void accept(const AuthPeer &, const uint8_t *eap, size_t n, uint32_t timeout) override {
        verdict = "accept session-timeout=" + std::to_string(timeout) + code(eap, n);
    }
    void reject(const AuthPeer &, const uint8_t *eap, size_t n) override {
        verdict = "reject" + code(eap, n);
    }
    void unreachable(const AuthPeer &) override { verdict = "unreachable"; }
    static std::string code(const uint8_t *eap, size_t n) { return " eap=" + std::to_string(n ? eap[0] : 0); }
};

}  // namespace

int main(int argc, char **argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: radius_supplicant USER PASSWORD TIMEOUT ADDR:PORT:SECRET...\n");
        return 2;
    }
    uint32_t timeout = static_cast<uint32_t>(std::atoi(argv[3]));
    reset();
    kel_io_init();
    for (int i = 4; i < argc && i < 8; ++i) {
        char addr[64], secret[64];
        unsigned port;
        if (std::sscanf(argv[i], "%63[^:]:%u:%63s", addr, &port, secret) != 3) return 2;
        if (kel_dot1x_radius_set(i - 3, inet_addr(addr), secret, port) != 0) return 2;
    }
    ifport p = {1, 0, 1};
    if (kel_dot1x_server_timeout_set(&p, timeout) != 0) return 2;
    std::unique_ptr<AuthServer> server;
    with_model([&](Model &m) { server = make_radius_server(m); });

    Station station;
    station.password = argv[2];
    AuthPeer peer = {1, 1, {0x02, 0, 0, 0, 0x5e, 0x01}};
    std::string user = argv[1];
    station.answer = {2, 1, 0, static_cast<uint8_t>(5 + user.size()), 1};
    station.answer.insert(station.answer.end(), user.begin(), user.end());
    // Every try of every server, and a little more.
    uint64_t end = now_ms() + (uint64_t(timeout) * RadiusClient::kTries * (argc - 4) + 5) * 1000;
    while (station.verdict.empty() && now_ms() < end) {
        if (!station.answer.empty()) {
            std::vector<uint8_t> a;
            a.swap(station.answer);
            server->submit(peer, a.data(), a.size(), now_ms(), station);
        }
        pollfd pfd = {server->fd(), POLLIN, 0};
        poll(&pfd, 1, 50);
        server->service(now_ms(), station);
    }
    const RadiusCounters &c = static_cast<RadiusClient &>(*server).counters();
    std::printf("%s\n", station.verdict.empty() ? "no verdict" : station.verdict.c_str());
    const std::pair<const char *, uint64_t> counts[] = {
        {"requests", c.requests},      {"retransmissions", c.retransmissions},
        {"accepts", c.accepts},        {"rejects", c.rejects},
        {"challenges", c.challenges},  {"bad_authenticators", c.bad_authenticators},
        {"malformed", c.malformed},    {"unmatched", c.unmatched},
        {"timeouts", c.timeouts},      {"failovers", c.failovers},
        {"unreachable", c.unreachable}};
    for (const auto &[name, n] : counts) std::printf("%s=%llu ", name, static_cast<unsigned long long>(n));
    std::printf("\n");
    return station.verdict.empty() ? 1 : 0;
}
