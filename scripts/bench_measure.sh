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

# measure_threads LABEL ROWS COMMAND... runs the command twice on every core
# the machine has, with --jobs 1 and with --jobs N (N: the cores), and
# prints the wall-clock rows per second of each, their ratio, the serial
# share that ratio implies (Amdahl: speed-up = 1 / (s + (1 - s) / N)) and
# what that share gives on 8 and 16 cores.
measure_threads() {
    local label=$1 rows=$2; shift 2
    local cores a b c
    cores=$(nproc)
    a=$(date +%s.%N); "$@" --jobs 1 > /dev/null 2>&1 || true; b=$(date +%s.%N)
    "$@" --jobs "$cores" > /dev/null 2>&1 || true; c=$(date +%s.%N)
    mawk -v l="$label" -v n="$rows" -v p="$cores" -v a="$a" -v b="$b" -v c="$c" 'BEGIN {
        one = n / (b - a); all = n / (c - b); s = all / one
        share = p > 1 ? (p / s - 1) / (p - 1) : 1
        if (share < 0) share = 0
        printf "%-40s --jobs 1: %11.0f rows/s   --jobs %d: %11.0f rows/s   %.2fx\n", l, one, p, all, s
        printf "%-40s serial share %.2f; Amdahl: %.1fx on 8 cores, %.1fx on 16\n", "", share,
               1 / (share + (1 - share) / 8), 1 / (share + (1 - share) / 16) }'
}

# A mawk script summing X, Y and Z of a wide CSV of spectra at 1 nm
# (380–780 nm after an id column), with the 2° functions of colord-data's
# CGATS file (5 nm, given first) interpolated to 1 nm:
#   mawk "$xyz" CMF.ti3 SPECTRA.csv
xyz='FNR == NR { if ($1 == "BEGIN_DATA") data = 1; else if ($1 == "END_DATA") data = 0;
                 else if (data) { ++k; for (i = 1; i <= NF; i++) f[k, 360 + 5 * (i - 1)] = $i }
                 next }
FNR == 1 { FS = ","; $0 = $0
           for (nm = 380; nm <= 780; nm++) { lo = nm - (nm - 360) % 5; t = (nm - lo) / 5; i = nm - 378
               wx[i] = f[1, lo] + t * (f[1, lo + 5] - f[1, lo])
               wy[i] = f[2, lo] + t * (f[2, lo + 5] - f[2, lo])
               wz[i] = f[3, lo] + t * (f[3, lo + 5] - f[3, lo]) }
           print "id,X,Y,Z"; next }
{ X = Y = Z = 0
  for (i = 2; i <= NF; i++) { v = $i; X += v * wx[i]; Y += v * wy[i]; Z += v * wz[i] }
  printf "%s,%.6f,%.6f,%.6f\n", $1, X, Y, Z }'
