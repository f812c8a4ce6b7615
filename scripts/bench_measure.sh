# Sourced by the batch benchmarks: measure LABEL ROWS COMMAND... runs the
# command once pinned to one core, its output discarded (its standard error
# kept in $work/stderr.txt), and prints wall-clock and CPU seconds (user +
# system), rows per second by each, and peak resident memory. On a machine
# shared with other work the CPU figure is the steadier one. Needs $work.
measure() {
    local label=$1 rows=$2; shift 2
    local report=$work/time.txt
    local start end
    start=$(date +%s.%N)
    taskset -c 0 /usr/bin/time -v -o "$report" "$@" > /dev/null 2> "$work/stderr.txt" || true
    end=$(date +%s.%N)
    mawk -F': ' -v l="$label" -v a="$start" -v b="$end" -v n="$rows" '
        /User time/ { cpu += $2 } /System time/ { cpu += $2 }
        /Maximum resident set size/ { kib = $2 }
        END {
            wall = b - a; if (cpu < 0.01) cpu = 0.01
            printf "%-40s %7.2f s wall %11.0f rows/s   %7.2f s cpu %11.0f rows/s   %7.1f MiB peak\n",
                   l, wall, n / wall, cpu, n / cpu, kib / 1024 }' "$report"
}
