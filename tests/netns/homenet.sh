#!/usr/bin/env bash
# Homes behind routers, in network namespaces, for the port-mapping tests.
#   homenet.sh up RUN SIDE MODE   SIDE a-e; MODE upnp | natpmp | none | silent | stall
#   homenet.sh down RUN           stops the routers' miniupnpd, deletes the namespaces
#   homenet.sh clean PREFIX       deletes namespaces PREFIX<pid>-* left by runs that are gone
# Namespaces: RUN-home-a (the program, 192.168.1.2), RUN-router-a (192.168.1.1 inside,
# 1.2.3.2 outside, masquerading), RUN-net (1.2.3.1, routes between the routers);
# side N (a=1 … d=4) uses 192.168.N.0/24 inside and 1.2.N+2.0/24 outside. The outside ranges look
# public because miniupnpd refuses a private external address; they exist
# only inside these namespaces. Like a home router, it drops what comes
# unasked from outside to itself: so that datagram leaves no connection entry
# that would make it masquerade the home's answer from another port. The router's UPnP description is at
# http://192.168.N.1:5000/rootDesc.xml. MODE silent: no miniupnpd, and the
# router drops SSDP and NAT-PMP instead of refusing them. miniupnpd refuses
# external ports 45000-45099. MODE stall: the router answers SSDP as an IGD
# but never its HTTP requests (stall-router.py), and drops NAT-PMP.
set -euo pipefail

die() { echo "homenet.sh: $*" >&2; exit 1; }
ns_exists() { ip netns list | awk '{print $1}' | grep -qx "$1"; }
rundir() { echo "${TMPDIR:-/tmp}/$1"; }

# A veth pair from namespace $1 (name $2) to namespace $3 (name $4).
link() { ip -n "$1" link add "$2" type veth peer name "$4" netns "$3"; }

internet() {
  local run=$1 net="$1-net"
  ns_exists "$net" && return 0
  ip netns add "$net"
  ip -n "$net" link set lo up
  ip netns exec "$net" sysctl -qw net.ipv4.ip_forward=1
}

router_rules() {
  local router=$1 mode=$2
  ip netns exec "$router" nft -f - <<NFT
table inet filter {
  chain input { type filter hook input priority 0; policy accept; iifname "wan0" ct state new drop; }
  chain forward { type filter hook forward priority 0; policy accept; jump miniupnpd; }
  chain miniupnpd { }
  chain prerouting { type nat hook prerouting priority -100; policy accept; jump prerouting_miniupnpd; }
  chain postrouting { type nat hook postrouting priority 100; policy accept; jump postrouting_miniupnpd; oifname "wan0" masquerade; }
  chain prerouting_miniupnpd { }
  chain postrouting_miniupnpd { }
}
NFT
  if [ "$mode" = silent ] || [ "$mode" = stall ]; then
    ip netns exec "$router" nft add table inet guard
    ip netns exec "$router" nft add chain inet guard input '{ type filter hook input priority 0; policy accept; }'
    local ports='{ 1900, 5351 }'; [ "$mode" = stall ] && ports=5351
    ip netns exec "$router" nft add rule inet guard input udp dport "$ports" drop
  fi
}

start_miniupnpd() {
  local run=$1 side=$2 mode=$3 n=$4 dir
  dir=$(rundir "$run"); mkdir -p "$dir"
  local upnp=yes; [ "$mode" = natpmp ] && upnp=no
  cat > "$dir/miniupnpd-$side.conf" <<CONF
ext_ifname=wan0
listening_ip=lan0
http_port=5000
enable_natpmp=yes
enable_upnp=$upnp
secure_mode=no
system_uptime=no
min_lifetime=2
uuid=6d6f7975-7461-4000-8000-00000000000$n
deny 45000-45099 0.0.0.0/0 0-65535
allow 1024-65535 192.168.$n.0/24 1024-65535
deny 0-65535 0.0.0.0/0 0-65535
CONF
  ip netns exec "$run-router-$side" miniupnpd -f "$dir/miniupnpd-$side.conf" -P "$dir/miniupnpd-$side.pid" -d \
    > "$dir/miniupnpd-$side.log" 2>&1 &
  # Ready when it listens for NAT-PMP (every mode has it), at most 5 s.
  for _ in $(seq 50); do
    ip netns exec "$run-router-$side" ss -lun 2>/dev/null | grep -q ":5351 " && [ -s "$dir/miniupnpd-$side.pid" ] && return 0
    sleep 0.1
  done
  cat "$dir/miniupnpd-$side.log" >&2
  die "miniupnpd did not start"
}

start_stall() {
  local run=$1 side=$2 n=$3 dir
  dir=$(rundir "$run"); mkdir -p "$dir"
  ip netns exec "$run-router-$side" python3 "$(dirname "$0")/stall-router.py" "192.168.$n.1" "$dir/stall-$side.pid" \
    > "$dir/stall-$side.log" 2>&1 &
  for _ in $(seq 50); do [ -s "$dir/stall-$side.pid" ] && return 0; sleep 0.1; done
  cat "$dir/stall-$side.log" >&2
  die "stall-router.py did not start"
}

up() {
  local run=$1 side=$2 mode=$3 n ext
  case "$side" in a) n=1 ;; b) n=2 ;; c) n=3 ;; d) n=4 ;; e) n=5 ;; *) die "side a to e" ;; esac
  ext="1.2.$((n + 2))"
  local home="$run-home-$side" router="$run-router-$side" net="$run-net"
  internet "$run"
  ip netns add "$home"
  ip netns add "$router"
  ip -n "$home" link set lo up
  ip -n "$router" link set lo up
  link "$router" lan0 "$home" eth0
  link "$router" wan0 "$net" "to-$side"
  ip -n "$home" addr add "192.168.$n.2/24" dev eth0
  ip -n "$home" link set eth0 up
  ip -n "$home" route add default via "192.168.$n.1"
  ip -n "$router" addr add "192.168.$n.1/24" dev lan0
  ip -n "$router" addr add "$ext.2/24" dev wan0
  ip -n "$router" link set lan0 up
  ip -n "$router" link set wan0 up
  ip -n "$router" route add default via "$ext.1"
  ip netns exec "$router" sysctl -qw net.ipv4.ip_forward=1
  ip -n "$net" addr add "$ext.1/24" dev "to-$side"
  ip -n "$net" link set "to-$side" up
  router_rules "$router" "$mode"
  case "$mode" in
    upnp|natpmp) start_miniupnpd "$run" "$side" "$mode" "$n" ;;
    stall) start_stall "$run" "$side" "$n" ;;
    none|silent) ;;
    *) die "mode upnp, natpmp, none, silent or stall" ;;
  esac
}

stop_miniupnpd() {
  local pidfile=$1 pid
  [ -s "$pidfile" ] || return 0
  pid=$(cat "$pidfile")
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
}

down() {
  local run=$1 dir ns
  dir=$(rundir "$run")
  for pidfile in "$dir"/miniupnpd-*.pid "$dir"/stall-*.pid; do [ -e "$pidfile" ] && stop_miniupnpd "$pidfile"; done
  for ns in $(ip netns list | awk '{print $1}' | grep "^$run-" || true); do
    ip netns delete "$ns" 2>/dev/null || true
  done
  rm -rf "$dir"
}

clean() {
  local prefix=$1 run pid
  for run in $(ip netns list | awk '{print $1}' | grep -o "^$prefix[0-9]*" | sort -u || true); do
    pid=${run#"$prefix"}
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && continue
    down "$run"
  done
}

case "${1:-}" in
  up) [ $# -eq 4 ] || die "up RUN SIDE MODE"; up "$2" "$3" "$4" ;;
  down) [ $# -eq 2 ] || die "down RUN"; down "$2" ;;
  clean) [ $# -eq 2 ] || die "clean PREFIX"; clean "$2" ;;
  *) die "up | down | clean" ;;
esac
