# The network drops echo requests, and meanwhile other machines' echo
# replies and echo requests pour into the computer, from the router's and
# the ISP probe's own addresses: none of them answers the program's pings,
# so the checks still find echo dropped and pass over TCP.
title="Stray echo traffic"
fault="echo dropped; foreign echo replies and requests from $LAB_GATEWAY and $LAB_ISP_PROBE, 20 a second"
repairs="no repair" panel=success expect="gateway and ISP pass over TCP, as without the strays"
ci=yes limit=210

scenario_network() {
    network_standard
    lab_router_silent
    lab_dns isp-dns "$LAB_ISP_PROBE"
    cat >"$LAB_RUN/strays.py" <<'PY'
import random, socket, struct, sys, time
def checksum(data):
    total = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    total = (total >> 16) + (total & 0xFFFF)
    return ~(total + (total >> 16)) & 0xFFFF
senders = []
for source in sys.argv[2:]:
    s = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
    s.bind((source, 0))
    senders.append(s)
for round in range(3000):  # 150 s at most
    for s in senders:
        for kind in (0, 8):
            body = struct.pack("<HH", random.randint(0x8000, 0xFFFF), round % 8) + b"E" * 40
            head = struct.pack("!BBH", kind, 0, 0)
            s.sendto(struct.pack("!BBH", kind, 0, checksum(head + body)) + body, (sys.argv[1], 0))
    time.sleep(0.05)
PY
    lab_peer strays /usr/bin/python3 "$LAB_RUN/strays.py" "$LAB_PC_ADDRESS" "$LAB_GATEWAY" "$LAB_ISP_PROBE"
    lab_wait "$LAB_NET" 1 -tn "src $LAB_ISP_PROBE and sport = :53"
}
scenario_probe() {
    probe gateway-silent fails lab_reaches "$LAB_GATEWAY"
    probe isp-accepts-tcp lab_accepts "$LAB_ISP_PROBE" 53
}
scenario_judge() {
    expect_lines tcp-answers "ping host: $LAB_GATEWAY ping rezult" \
        "gateway answers over TCP $LAB_GATEWAY:80 accepted" "ISP check" \
        "ISP answers over TCP $LAB_ISP_PROBE:53 accepted" "check name resolution good" \
        "step browsing net pass show final panel" "Exiting thread"
    expect_no_line no-repair "try to repair"
    expect_interface_key_kept
    expect_tidy_end
}
