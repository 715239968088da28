/*
 * main.c - kelsnmpd: the switch's SNMP agent, an AgentX subagent of the
 * master agent (snmpd) that answers the interface, bridge, VLAN,
 * spanning-tree, link-aggregation and 802.1X MIBs from libkel.
 *
 *   kelsnmpd [-f] [-x AGENTX-ADDRESS] [-p PIDFILE] [-r SECONDS] [-w SECONDS] [-D TOKENS] [-L...]
 *
 * It opens the driver channel, registers every MIB's tables with the
 * master agent and serves requests until SIGTERM or SIGINT. When the master
 * goes away it tries again every -r seconds and registers anew.
 */
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "agent.h"

static volatile sig_atomic_t running = 1;

static void stop(int sig) {
    (void)sig;
    running = 0;
}

static void usage(FILE *out) {
    fprintf(out,
            "usage: kelsnmpd [-f] [-x AGENTX-ADDRESS] [-p PIDFILE] [-r SECONDS] [-w SECONDS] [-D TOKENS] "
            "[-L...]\n"
            "\n"
            "The switch's SNMP agent: an AgentX subagent that serves IF-MIB, BRIDGE-MIB,\n"
            "Q-BRIDGE-MIB, RSTP-MIB, IEEE8023-LAG-MIB and IEEE8021-PAE-MIB objects from the\n"
            "switch through libkel.\n"
            "\n"
            "  -f                  stay in the foreground\n"
            "  -x AGENTX-ADDRESS   the master agent's AgentX socket (default %s)\n"
            "  -p PIDFILE          write the agent's process id to PIDFILE\n"
            "  -r SECONDS          how often to look for a master that went away (default 5)\n"
            "  -w SECONDS          how often to watch the ports' links and counters (default 2)\n"
            "  -D TOKENS           net-snmp debugging output for these tokens (ALL for all)\n"
            "  -h                  show this text\n"
            "\n"
            "logging (default -Le: standard error):\n",
            NETSNMP_AGENTX_SOCKET);
    snmp_log_options_usage("  ", out);
}

static int seconds(const char *text, const char *what) {
    char *end;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno || *end || end == text || v < 1 || v > 3600) {
        fprintf(stderr, "kelsnmpd: %s takes a number of seconds from 1 to 3600, not '%s'\n", what, text);
        exit(2);
    }
    return (int)v;
}

int main(int argc, char **argv) {
    int foreground = 0, reconnect = 5, watch = 2, logging = 0;
    const char *pidfile = NULL;
    int c;
    while ((c = getopt(argc, argv, "fx:p:r:w:D:L:h")) != -1) {
        switch (c) {
            case 'f':
                foreground = 1;
                break;
            case 'x':
                netsnmp_ds_set_string(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_X_SOCKET, optarg);
                break;
            case 'p':
                pidfile = optarg;
                break;
            case 'r':
                reconnect = seconds(optarg, "-r");
                break;
            case 'w':
                watch = seconds(optarg, "-w");
                break;
            case 'D':
                debug_register_tokens(optarg);
                snmp_set_do_debugging(1);
                break;
            case 'L':
                if (snmp_log_options(optarg, argc, argv) < 0) {
                    usage(stderr);
                    return 2;
                }
                logging = 1;
                break;
            case 'h':
                usage(stdout);
                return 0;
            default:
                usage(stderr);
                return 2;
        }
    }
    if (optind != argc) {
        fprintf(stderr, "kelsnmpd: unexpected argument '%s'\n", argv[optind]);
        usage(stderr);
        return 2;
    }
    if (!logging) snmp_enable_stderrlog();

    if (kel_io_init() != 0) {
        fprintf(stderr, "kelsnmpd: cannot open the switch driver's channel\n");
        return 1;
    }

    /* The agent answers by number and needs no MIB files. */
    setenv("MIBS", "", 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_ROLE, 1);
    /* Read no snmp.conf of the user's or the system's: the command line is the configuration. */
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    if (!foreground && netsnmp_daemonize(1, !logging) != 0) {
        fprintf(stderr, "kelsnmpd: cannot go to the background\n");
        return 1;
    }

    if (pidfile) {
        FILE *f = fopen(pidfile, "w");
        if (!f || fprintf(f, "%ld\n", (long)getpid()) < 0 || fclose(f) != 0) {
            snmp_log(LOG_ERR, "kelsnmpd: cannot write %s: %s\n", pidfile, strerror(errno));
            return 1;
        }
    }
    init_agent("kelsnmpd");
    /* After init_agent, which registers the setting with its default. */
    netsnmp_ds_set_int(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_AGENTX_PING_INTERVAL, reconnect);
    if_mib_init();
    bridge_mib_init();
    qbridge_mib_init();
    rstp_mib_init();
    lag_mib_init();
    pae_mib_init();
    init_snmp("kelsnmpd");
    snmp_alarm_register((unsigned)watch, SA_REPEAT, if_mib_poll, NULL);

    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = stop;
    sigaction(SIGTERM, &sa, NULL);
    sigaction(SIGINT, &sa, NULL);
    signal(SIGPIPE, SIG_IGN);

    snmp_log(LOG_INFO, "kelsnmpd: serving the switch's MIBs\n");
    while (running) agent_check_and_process(1);
    snmp_log(LOG_INFO, "kelsnmpd: stopping\n");
    snmp_shutdown("kelsnmpd");
    if (pidfile) unlink(pidfile);
    return 0;
}
