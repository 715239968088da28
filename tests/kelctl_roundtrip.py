#!/usr/bin/env python3
"""kelctl's running configuration as a property: for many random
configurations (a deterministic seed) touching every area kelctl can set,
a switch made from `show running-config` on a switch that has just started
(kelctl -b, secrets given again on standard input) has the same running
configuration and the same whole state (kelsim dump) as the switch it came
from; so has one made from `show running-config all`. Secrets appear in no
output. The switches run on the topologies below, without stack ports.

    kelctl_roundtrip.py KELSIM KELCTL [CONFIGURATIONS [SEED]]
"""
import os
import random
import re
import shlex
import subprocess
import sys
import tempfile

TOPOLOGIES = ["24fe,2ge;24fe,2ge", "8ge;-;4fe,2ge", "26fe;2ge"]


def ports_of(layout):
    """Short port names by unit, and whether each is Gigabit."""
    ports = []
    for unit, text in enumerate(layout.split(";"), 1):
        n = 0
        for seg in text.split(",") if text != "-" else []:
            count, media = int(seg[:-2]), seg[-2:]
            for _ in range(count):
                n += 1
                ports.append(("gi" if media == "ge" else "fa") + "%d/0/%d" % (unit, n))
    return ports


class Generator:
    """Commands that set a random configuration; most apply, a few may be
    refused by the switch (a trunk member as a mirror destination, say)."""

    def __init__(self, rng, layout):
        self.r, self.ports, self.lines, self.secrets = rng, ports_of(layout), [], []
        self.vlans = set()

    def pick(self, seq):
        return self.r.choice(list(seq))

    def some_ports(self, most=4):
        ports = self.r.sample(self.ports, self.r.randint(1, most))
        return ",".join(ports)

    def vlan_list(self, most=12):
        ids = sorted(self.r.sample(range(2, 60), self.r.randint(1, most)))
        return ",".join(map(str, ids))

    def name(self, length=12):
        alphabet = "abcdefgXYZ0189 -_.#'\"~!"
        text = "".join(self.r.choice(alphabet) for _ in range(self.r.randint(1, length))).strip() or "n"
        return "'" + text.replace("'", "'\\''") + "'"

    def add(self, *words):
        self.lines.append(" ".join(str(w) for w in words))

    def secret(self):
        s = "".join(self.r.choice("abcXYZ789%$&=") for _ in range(self.r.randint(6, 14))) + "Zq7"
        self.secrets.append(s)
        return "'" + s + "'"

    def vlan(self):
        made = set(map(int, self.vlan_list(20).split(",")))
        self.add("vlan create", ",".join(map(str, sorted(made))))
        gone = self.r.sample(sorted(made), self.r.randint(0, min(3, len(made))))
        if gone:
            self.add("vlan destroy", ",".join(map(str, sorted(gone))))
        self.vlans = made - set(gone)
        for vid in self.r.sample(sorted(self.vlans | {1}), min(3, len(self.vlans) + 1)):
            self.add("vlan name", vid, self.name(20))

    def interfaces(self):
        r = self.r
        for _ in range(r.randint(4, 14)):
            ports = self.some_ports()
            gigabit = all(p.startswith("gi") for p in ports.split(","))
            kbps = 1000000 if gigabit else 100000
            setting = self.pick([
                "admin " + self.pick(["up", "down"]),
                "speed " + self.pick(["auto", "10", "100"] + (["1000"] if gigabit else [])),
                "duplex " + self.pick(["auto", "half", "full"]),
                "autoneg " + self.pick(["on", "off"]), "flowcontrol " + self.pick(["on", "off"]),
                "mdix " + self.pick(["auto", "mdi", "mdix"]), "ingress-filter " + self.pick(["on", "off"]),
                "discard " + self.pick(["none", "untagged", "tagged"]), "priority %d" % r.randint(0, 7),
                "block %s %s" % (self.pick(["unknown-unicast", "unknown-multicast"]), self.pick(["on", "off"])),
                "vlan-mode %s %d" % (self.pick(["access", "trunk", "hybrid"]), r.randint(1, 60)),
                "allowed-vlan add %s %s" % (self.vlan_list(), self.pick(["tagged", "untagged"])),
                "allowed-vlan remove " + self.vlan_list(),
                "rate %s %d %d" % (self.pick(["tx", "rx"]), r.randint(0, kbps), r.randint(0, 16384)),
                "storm-control %s %d" % (self.pick(["broadcast", "multicast", "unknown-unicast"]), r.randint(0, 1488095)),
                "lacp-priority %d" % r.randint(0, 65535)])
            self.add("interface", ports, setting)

    def tables(self):
        r = self.r
        self.add("mac-address-table aging-time", r.randint(0, 100000))
        for _ in range(r.randint(0, 5)):
            mac = "00%02x.%04x.%04x" % (r.randint(0, 127) * 2, r.randint(0, 65535), r.randint(0, 65535))
            self.add("mac-address-table static", mac, "vlan", r.randint(1, 60), "interface", self.pick(self.ports))
        for _ in range(r.randint(0, 3)):
            group, vid = "0100.5e00.%04x" % r.randint(1, 50), r.randint(1, 60)
            self.add("multicast-table static", group, "vlan", vid, "interface", self.some_ports(), "priority", r.randint(0, 7))
            if r.random() < 0.3:
                self.add("no multicast-table static", group, "vlan", vid, "interface", self.some_ports(2))

    def trunks_and_mirrors(self):
        r = self.r
        free = list(self.ports)
        r.shuffle(free)
        for tid in r.sample(range(1, 9), r.randint(0, 3)):
            members = [free.pop() for _ in range(r.randint(1, 3))]
            self.add("trunk", self.pick(["static", "dynamic"]), tid, ",".join(members))
            if r.random() < 0.5:
                self.add("trunk criteria", tid, self.pick(["src-mac", "dst-mac", "src-dst-mac", "src-ip", "dst-ip", "src-dst-ip"]))
        self.add("lacp system-priority", r.randint(0, 65535))
        for session in r.sample(range(1, 5), r.randint(0, 2)):
            self.add("monitor session", session, "destination", free.pop())
            self.add("monitor session", session, "source", ",".join(free.pop() for _ in range(2)), self.pick(["rx", "tx", "both"]))
        for _ in range(r.randint(0, 3)):
            self.add("qos map", r.randint(0, 7), r.randint(0, 3))
        weights = " ".join(str(r.randint(1, 255)) for _ in range(r.randint(0, 4)))
        self.add("qos policy", self.pick(["strict", "wrr"]), weights)

    def spanning_tree(self):
        r = self.r
        self.add("spanning-tree", self.pick(["enable", "disable"]))
        self.add("spanning-tree mode", self.pick(["stp", "rstp", "mstp"]))
        self.add("spanning-tree priority", 4096 * r.randint(0, 15))
        hello = r.randint(1, 4)
        age = r.randint(2 * (hello + 1), 30)
        self.add("spanning-tree times", age, hello, r.randint(age // 2 + 1, 30))
        self.add(self.pick(["spanning-tree tx-hold-count %d" % r.randint(1, 10), "spanning-tree max-age %d" % r.randint(6, 40)]))
        self.add("spanning-tree uplink-fast", self.pick(["enable", "disable"]))
        for _ in range(r.randint(1, 5)):
            self.add("spanning-tree port", self.some_ports(), self.pick([
                "priority %d" % (16 * r.randint(0, 15)), "cost %d" % r.randint(0, 200000000), "edge " + self.pick(["enable", "disable"]),
                "link-type " + self.pick(["auto", "point-to-point", "shared"]), "bpdu-guard " + self.pick(["enable", "disable"])]))
        self.add("mst name", self.name(32))
        self.add("mst revision", r.randint(0, 65535))
        self.add("mst max-hops", r.randint(1, 40))
        instances = r.sample(range(1, 16), r.randint(0, 3))
        for i in instances:
            self.add("mst instance", i, self.vlan_list())
            self.add("mst priority", i, 4096 * r.randint(0, 15))
            self.add("mst port", i, self.some_ports(), "priority", 16 * r.randint(0, 15))
            self.add("mst port", i, self.some_ports(), "cost", r.randint(0, 200000000))
        if instances and r.random() < 0.3:
            self.add("mst instance", instances[0], "none")

    def dot1x(self):
        r = self.r
        self.add("dot1x", self.pick(["enable", "disable"]))
        self.add("dot1x method", self.pick(["radius", "local", "radius-local"]))
        for slot in r.sample(range(1, 5), r.randint(0, 3)):
            self.add("dot1x radius add", slot, "10.%d.%d.%d" % (r.randint(0, 255), r.randint(0, 255), r.randint(1, 254)),
                     self.secret(), r.randint(1, 65535))
        if r.random() < 0.3:
            self.add("dot1x radius delete", r.randint(1, 4))
        users = [self.name(20) for _ in range(r.randint(0, 4))]
        for u in users:
            self.add("dot1x user add", u, self.secret(), r.randint(0, 15))
        if users and r.random() < 0.5:
            self.add("dot1x user delete", users[0])
            self.add("dot1x user add", self.name(20), self.secret())
        for _ in range(r.randint(1, 4)):
            self.add("dot1x port", self.some_ports(), self.pick([
                "control " + self.pick(["force-authorized", "force-unauthorized", "auto"]), "reauth " + self.pick(["enable", "disable"]),
                "reauth-period %d" % r.randint(1, 65535), "quiet-period %d" % r.randint(0, 65535),
                "server-timeout %d" % r.randint(1, 65535), "multi-host " + self.pick(["enable", "disable"]),
                "guest-vlan %d" % r.randint(0, 60)]))

    def filter(self, kind):
        r = self.r
        action = self.pick(["permit", "deny"])
        if kind == "mac":
            src = self.pick(["any", "00%02x.0000.%04x" % (2 * r.randint(0, 100), r.randint(0, 65535))])
            opts = self.pick(["", " ethertype 0x%04x" % r.randint(0x600, 0xffff), " vlan %d" % r.randint(1, 4094)])
            return "%s mac %s any%s" % (action, src, opts)
        proto = self.pick(["ip", "tcp", "udp", "icmp"])
        src = self.pick(["any", "10.%d.0.0/16" % r.randint(0, 255), "192.168.%d.%d" % (r.randint(0, 255), r.randint(1, 254))])
        opts = {"tcp": " dst-port %d" % r.randint(1, 65535), "udp": " src-port %d" % r.randint(1, 65535),
                "icmp": " icmp-type %d icmp-code %d" % (r.randint(0, 255), r.randint(0, 255)), "ip": ""}[proto]
        if r.random() < 0.3:
            opts += " redirect " + self.pick(self.ports)
        if r.random() < 0.3:
            opts += " seq %d" % r.randint(1, 500)
        return "%s %s %s any%s" % (action, proto, src, opts)

    def access_lists(self):
        r = self.r
        lists = []
        for n in range(r.randint(0, 4)):
            name, kind = "L%d-%s" % (n, r.randint(0, 99)), self.pick(["mac", "ip"])
            self.add("access-list create", name, kind)
            filters = [self.filter(kind) for _ in range(r.randint(0, 4))]
            for f in filters:
                self.add("access-list add", name, f)
            if filters and r.random() < 0.3:
                self.add("access-list delete", name, filters[0])
            self.add("access-list install", name, self.some_ports())
            lists.append((name, kind))
        if lists and r.random() < 0.3:
            self.add("access-list destroy", lists[0][0])
        if r.random() < 0.3:
            self.add("access-list remove", self.pick(["mac", "ip"]), self.some_ports())

    def port_security(self):
        r = self.r
        for _ in range(r.randint(1, 4)):
            self.add("port-security port", self.some_ports(), self.pick([
                "enable", "disable", "maximum %d" % r.randint(2, 64), "violation " + self.pick(["protect", "restrict", "shutdown"]),
                "age %d" % r.randint(0, 1440), "age-type " + self.pick(["absolute", "inactivity"]), "shutdown-time %d" % r.randint(0, 86400)]))
        for _ in range(r.randint(0, 3)):
            port = self.pick(self.ports)
            self.add("port-security port", port, "maximum 8")
            self.add("port-security address add", port, "00%02x.1111.%04x" % (2 * r.randint(0, 100), r.randint(0, 65535)))

    def snooping(self):
        r = self.r
        self.add("gvrp", self.pick(["enable", "disable"]))
        self.add("gvrp port", self.some_ports(), self.pick(["gvrp " + self.pick(["enable", "disable"]),
                                                            "mode " + self.pick(["normal", "fixed", "forbidden"])]))
        join = r.randint(10, 100)
        leave = r.randint(3 * join, 600)
        self.add("gvrp timers", self.some_ports(), join, leave, r.randint(leave + 1, 5000))
        self.add("igmp-snooping", self.pick(["enable", "disable"]))
        self.add("igmp-snooping lmqi", r.randint(1, 250))
        self.add("igmp-snooping vlan", self.vlan_list(), self.pick(["enable", "disable"]))
        self.add("igmp-snooping immediate-leave", self.vlan_list(), "enable")
        self.add("dhcp-snooping", self.pick(["enable", "disable"]))
        self.add("dhcp-snooping vlan", self.vlan_list(), "enable")
        self.add("dhcp-snooping trust", self.some_ports(), self.pick(["enable", "disable"]))
        self.add("watchdog", self.pick(["disable", str(r.randint(1, 300))]))

    def configuration(self):
        areas = [self.vlan, self.interfaces, self.tables, self.trunks_and_mirrors, self.spanning_tree,
                 self.dot1x, self.access_lists, self.port_security, self.snooping]
        self.r.shuffle(areas)  # areas in any order: the running configuration puts them in its own
        for area in areas:
            area()
        return self.lines


class Switch:
    def __init__(self, kelsim, kelctl, layout, path):
        self.kelsim, self.tool, self.state = kelsim, kelctl, path
        subprocess.run([kelsim, "--topology", layout, "--state", path, "--reset", "topology"], check=True,
                       stdout=subprocess.DEVNULL)

    def kelctl(self, *args, stdin=""):
        return subprocess.run([self.kelsim, "--state", self.state, "--", self.tool, *args], input=stdin,
                              capture_output=True, text=True)

    def dump(self):
        return subprocess.run([self.kelsim, "--state", self.state, "dump"], capture_output=True, text=True, check=True).stdout


def secrets_for(config, lines):
    """The secrets a running configuration asks for on standard input, in
    its order: each RADIUS slot's key and each user's password, as the
    commands that made the switch last set them."""
    keys = {}
    for line in lines:
        w = shlex.split(line)
        if w[:3] == ["dot1x", "radius", "add"]:
            keys["radius", w[3]] = w[5]
        elif w[:3] == ["dot1x", "user", "add"]:
            keys["user", w[3]] = w[4]
    out = ""
    for line in config.splitlines():
        w = shlex.split(line, comments=True)
        if w[:3] == ["dot1x", "radius", "add"] or w[:3] == ["dot1x", "user", "add"]:
            out += keys[w[1], w[3]] + "\n"
    return out


def main():
    kelsim, kelctl = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 40
    seed = int(sys.argv[4]) if len(sys.argv) > 4 else 1
    failures, applied, total = 0, 0, 0
    with tempfile.TemporaryDirectory() as tmp:
        for n in range(count):
            rng = random.Random(seed * 100003 + n)
            layout = TOPOLOGIES[n % len(TOPOLOGIES)]
            gen = Generator(rng, layout)
            lines = gen.configuration()
            batch = os.path.join(tmp, "made.txt")
            with open(batch, "w") as f:
                f.write("\n".join(lines) + "\n")
            a = Switch(kelsim, kelctl, layout, os.path.join(tmp, "a"))
            made = a.kelctl("--force", "-b", batch)
            total += len(lines)
            applied += len(lines) - len(re.findall(r"^kelctl: \S+:\d+: (?!the key is cut)", made.stderr, re.M))
            config = a.kelctl("show", "running-config")
            problems = []
            for mode in ("", "all"):
                text = config if not mode else a.kelctl("show", "running-config", "all")
                path = os.path.join(tmp, "config%s.txt" % mode)
                with open(path, "w") as f:
                    f.write(text.stdout)
                b = Switch(kelsim, kelctl, layout, os.path.join(tmp, "b"))
                replay = b.kelctl("-b", path, stdin=secrets_for(text.stdout, lines))
                again = b.kelctl("show", "running-config")
                if replay.returncode != 0:
                    problems.append("running-config %s does not apply: %s" % (mode, replay.stderr.strip()))
                if again.stdout != config.stdout:
                    problems.append("running-config %s differs after the round trip" % mode)
                if b.dump() != a.dump():
                    problems.append("the switch made from running-config %s differs (kelsim dump)" % mode)
            shown = config.stdout + a.kelctl("-j", "show", "dot1x").stdout + a.kelctl("-j", "show", "running-config").stdout
            problems += ["a secret shown" for s in gen.secrets if s in shown + made.stdout + made.stderr][:1]
            if config.returncode != 0 or problems:
                failures += 1
                print("FAIL configuration %d (%s): %s" % (n, layout, "; ".join(problems) or config.stderr))
                with open(os.path.join(os.environ.get("KEL_ROUNDTRIP_KEEP", tmp), "failed-%d.txt" % n), "w") as f:
                    f.write("\n".join(lines) + "\n")
    print("%d configurations, %d of %d commands applied, %d failed" % (count, applied, total, failures))
    if applied < total * 0.8:
        print("FAIL fewer than 80% of the generated commands applied: the generator tests too little")
        failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
