# net-snmp's agent library for kelsnmpd: found through pkg-config
# (netsnmp-agent) or net-snmp-config. An AgentX subagent needs the agent
# and base libraries only, not the master agent's MIB modules.
# Sets KEL_NETSNMP_FOUND, KEL_NETSNMP_INCLUDE_DIRS and KEL_NETSNMP_LIBRARIES.
set(KEL_NETSNMP_FOUND FALSE)
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(KEL_NETSNMP_PC QUIET netsnmp-agent)
endif()
set(_kel_netsnmp_hints ${KEL_NETSNMP_PC_LIBRARY_DIRS})
set(_kel_netsnmp_include_hints ${KEL_NETSNMP_PC_INCLUDE_DIRS})
if(NOT KEL_NETSNMP_PC_FOUND)
  find_program(KEL_NET_SNMP_CONFIG net-snmp-config)
  if(KEL_NET_SNMP_CONFIG)
    execute_process(COMMAND ${KEL_NET_SNMP_CONFIG} --agent-libs OUTPUT_VARIABLE _kel_libs
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    string(REGEX MATCHALL "-L[^ ]+" _kel_dirs "${_kel_libs}")
    string(REPLACE "-L" "" _kel_netsnmp_hints "${_kel_dirs}")
    execute_process(COMMAND ${KEL_NET_SNMP_CONFIG} --prefix OUTPUT_VARIABLE _kel_prefix
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    set(_kel_netsnmp_include_hints ${_kel_prefix}/include)
  endif()
endif()
if(KEL_NETSNMP_PC_FOUND OR KEL_NET_SNMP_CONFIG)
  find_path(KEL_NETSNMP_INCLUDE_DIR net-snmp/agent/net-snmp-agent-includes.h HINTS ${_kel_netsnmp_include_hints})
  find_library(KEL_NETSNMP_AGENT_LIB netsnmpagent HINTS ${_kel_netsnmp_hints})
  find_library(KEL_NETSNMP_LIB netsnmp HINTS ${_kel_netsnmp_hints})
  if(KEL_NETSNMP_INCLUDE_DIR AND KEL_NETSNMP_AGENT_LIB AND KEL_NETSNMP_LIB)
    set(KEL_NETSNMP_FOUND TRUE)
    set(KEL_NETSNMP_INCLUDE_DIRS ${KEL_NETSNMP_INCLUDE_DIR})
    set(KEL_NETSNMP_LIBRARIES ${KEL_NETSNMP_AGENT_LIB} ${KEL_NETSNMP_LIB})
  endif()
endif()
