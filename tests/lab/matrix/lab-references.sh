# The reference screens the lab judges panels by, sourced by matrix.sh and
# the soak (scripts/soak.sh): drawn once per build of the scene program, in
# a namespace with only loopback (the scenes touch no network), from the
# prefix reset to its seed. Needs lab-prefix.sh.
#
#   references_prepare ROOT PREFIX EXE SCENES STANDINS
# Sets LAB_REFERENCES to the folder of the reference screens.
references_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

references_prepare() {
    local root=$1 prefix=$2 exe=$3 scenes=$4 standins=$5
    LAB_REFERENCES=$root/build/lab/panel-references/$(sha256sum "$scenes" | cut -c1-16)
    [ -f "$LAB_REFERENCES/.ready" ] && return 0
    echo "lab: drawing the reference screens of every panel"
    rm -rf "$LAB_REFERENCES"
    mkdir -p "$LAB_REFERENCES"
    local ns=${LAB_NS_PREFIX:-plv}-ref-$$ status pid
    ip netns add "$ns"
    ip -n "$ns" link set lo up
    prefix_restore "$prefix" "$exe" "$standins"
    ip netns exec "$ns" env WINEPREFIX="$prefix" timeout --kill-after=10 300 \
        bash "$references_here/references-session.sh" "$scenes" "$LAB_REFERENCES"
    status=$?
    for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -9 "$pid" 2>/dev/null; done
    ip netns del "$ns"
    [ $status -eq 0 ] || { echo "lab: the reference screens failed" >&2; return 1; }
    touch "$LAB_REFERENCES/.ready"
}
