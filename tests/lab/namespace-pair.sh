# Sourced by the lab scripts (sh or bash).
# namespace_pair A B A_ADDRESS/LEN B_ADDRESS/LEN: two new network namespaces
# joined by one veth pair (veth0 in A, veth1 in B), loopback up, and linked
# to nothing else: no route, no forwarding, no way to the host's network.
namespace_pair() {
    ip netns add "$1"
    ip netns add "$2"
    ip -n "$1" link add veth0 type veth peer name veth1 netns "$2"
    ip -n "$1" link set lo up
    ip -n "$2" link set lo up
    ip -n "$1" addr add "$3" dev veth0
    ip -n "$2" addr add "$4" dev veth1
    ip -n "$1" link set veth0 up
    ip -n "$2" link set veth1 up
}
