#!/usr/bin/env python3
"""A router that answers SSDP searches like an IGD and then never answers
the description's HTTP request: a library call that overruns its time.

    stall-router.py LAN_ADDRESS PIDFILE
Runs until killed; holds each HTTP connection at most 30 s."""
import os
import selectors
import socket
import struct
import sys
import time

lan, pidfile = sys.argv[1], sys.argv[2]
HOLD_S = 30

ssdp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
ssdp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
ssdp.bind(("", 1900))
ssdp.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                struct.pack("4s4s", socket.inet_aton("239.255.255.250"), socket.inet_aton(lan)))
http = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
http.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
http.bind((lan, 5000))
http.listen(8)

sel = selectors.DefaultSelector()
sel.register(ssdp, selectors.EVENT_READ)
sel.register(http, selectors.EVENT_READ)
held = []  # (socket, accepted at)

with open(pidfile + ".tmp", "w") as f:
    f.write(str(os.getpid()))
os.rename(pidfile + ".tmp", pidfile)

while True:
    for key, _ in sel.select(timeout=1):
        if key.fileobj is ssdp:
            data, peer = ssdp.recvfrom(2048)
            if data.startswith(b"M-SEARCH"):
                ssdp.sendto((
                    "HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=120\r\n"
                    "ST: urn:schemas-upnp-org:device:InternetGatewayDevice:1\r\n"
                    f"USN: uuid:6d6f7975-7461-4000-8000-0000000000ff::urn:schemas-upnp-org:device:InternetGatewayDevice:1\r\n"
                    "EXT:\r\nSERVER: stall/1 UPnP/1.1 stall/1\r\n"
                    f"LOCATION: http://{lan}:5000/rootDesc.xml\r\n\r\n").encode(), peer)
        else:
            conn, _ = http.accept()
            held.append((conn, time.monotonic()))
    now = time.monotonic()
    for conn, since in [h for h in held if now - h[1] > HOLD_S]:
        conn.close()
    held = [h for h in held if now - h[1] <= HOLD_S]
