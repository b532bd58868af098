# The program's log as the soak prepares and follows it; sourced by
# soak-session.sh (and by soak_test.py, which tries it on made-up logs).

# fill_log LOG BYTES: LOG made of lines of an earlier day, CR LF ended as the
# program writes them, up to just at or past BYTES.
fill_log() {
    LC_ALL=C awk -v limit="$2" 'BEGIN {
        while (size < limit) {
            line = sprintf("[12/8/2026 4:%02d:%02d AM] earlier run line %d \r\n", n / 60 % 60, n % 60, n)
            printf "%s", line; size += length(line); n++
        } }' >"$1"
}

# latest_run LOG: "ENDED START-LINE": the latest "start plover tool" line
# (with its time stamp, so two runs' differ) and whether an "Exiting
# thread" followed it (1) or not (0); "0 " while there is no log. A cut
# keeps the newer half of the lines, so the latest run's lines survive it.
# Read it through a command substitution, not "< <(...)": thousands of
# process substitutions beside background children once left bash 5.2
# waiting for a sleep that had already ended.
latest_run() {
    [ -f "$1" ] || { echo "0 "; return 0; }
    LC_ALL=C awk '{sub(/\r$/, "")} /\] start plover tool/ {start = $0; ended = 0}
         /\] Exiting thread/ {ended = 1} END {printf "%d %s\n", ended, start}' "$1" 2>/dev/null
}
