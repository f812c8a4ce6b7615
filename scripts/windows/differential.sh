#!/usr/bin/env bash
# Runs the same batch jobs through a Linux build and, under Wine, through a
# Windows build of both programs and checks that they give the same bytes:
# standard output, OUT files, exit status and (where it names no path) the
# summary on standard error. One line per case, a total, status 1 on any
# difference.
#
# Usage: scripts/windows/differential.sh LINUX_BUILD WINDOWS_BUILD
#   e.g. scripts/windows/differential.sh build build-win
# Set NORVAK_DIFF_KEEP=1 to keep the work folder (its path is printed).
set -uo pipefail
[ $# -eq 2 ] || { sed -n '2,10p' "$0" >&2; exit 2; }
win_dir=$(cd "$(dirname "$0")" && pwd)
repo_root=$(cd "$win_dir/../.." && pwd)
linux_build=$(realpath "$1")
windows_build=$(realpath "$2")
for f in "$linux_build"/{ambrix/ambrix,cendrel/cendrel} "$windows_build"/{ambrix/ambrix,cendrel/cendrel}.com; do
  [ -x "$f" ] || [ -f "$f" ] || { echo "no $f" >&2; exit 2; }
done
for tool in mawk iconv pdfinfo pdftotext cmp; do
  command -v $tool >/dev/null || { echo "needs $tool" >&2; exit 2; }
done

work=$(mktemp -d /tmp/norvak-differential.XXXXXX)
if [ "${NORVAK_DIFF_KEEP:-0}" = 1 ]; then echo "work folder: $work"; else trap 'rm -rf "$work"' EXIT; fi
in=$work/in
mkdir -p "$in/spdx" "$work/linux" "$work/windows"
export LC_ALL=C.UTF-8
# Qt on Linux warns on stderr without a runtime folder; Windows has no such line.
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

to_windows() { local p=$1; echo "Z:${p//\//\\}"; }

# ---------------------------------------------------------------- inputs

# 100,000 (x, y) rows from a fixed seed, about one in fifteen malformed.
mawk 'BEGIN {
  srand(20261210)
  print "x,y"
  for (i = 0; i < 100000; i++) {
    x = 0.25 + rand() * 0.27; y = 0.27 + rand() * 0.18; d = 3 + int(rand() * 4)
    if (rand() < 0.93) { printf "%." d "f,%." d "f\n", x, y; continue }
    k = int(rand() * 16)
    if (k == 0) print ""
    else if (k == 1) printf "%.4f\n", x
    else if (k == 2) printf "abc,%.4f\n", y
    else if (k == 3) printf "%.4f.1,%.4f\n", x, y
    else if (k == 4) printf "%.3e,%.3e\n", x, y
    else if (k == 5) printf "-%.4f,%.4f\n", x, y
    else if (k == 6) printf "\"%.4f\",\"%.4f\"\n", x, y
    else if (k == 7) printf "%.4f,%.4f,extra\n", x, y
    else if (k == 8) printf " %.4f , %.4f \n", x, y
    else if (k == 9) print "nan,inf"
    else if (k == 10) printf "%.4f;%.4f\n", x, y
    else if (k == 11) printf "%.30f,%.4f\n", x, y
    else if (k == 12) printf "%.4f,%.4f\r\n", x, y
    else if (k == 13) printf "0000000000%.4f,%.4f\n", x, y
    else if (k == 14) print ","
    else printf "%.4f,\"%.4f\"\"\"\n", x, y
  }
}' > "$in/rows.csv"

# Three phosphor-converted white LEDs at 380-780 nm every 5 nm (a blue pump
# and a broad phosphor band), as the spectral layouts write them.
mawk -v out="$in" 'function v(nm, pump, phos, ratio,   b, p) {
    b = (nm - pump) / 10; p = (nm - phos) / 60
    return sprintf("%.4f", exp(-b * b / 2) + ratio * exp(-p * p / 2))
  }
  # Wide: one LED a row, cells split by d, decimal point (or comma) point.
  function wide(f, d, point, eol,   l, nm, s) {
    printf "编号%sx%sy", d, d > f
    for (nm = 380; nm <= 780; nm += 5) printf "%s%dnm", d, nm > f
    printf "%s", eol > f
    for (l = 1; l <= 3; l++) {
      s = d "0.3800" d "0.3800"; gsub(/\./, point, s); printf "%s%s", name[l], s > f
      for (nm = 380; nm <= 780; nm += 5) { s = v(nm, pump[l], phos[l], ratio[l]); sub(/\./, point, s); printf "%s%s", d, s > f }
      printf "%s", eol > f
    }
    close(f)
  }
  BEGIN {
    n = split("LED-A 450 560 0.55 LED-B 445 575 0.45 LED-C 455 550 0.70", a, " ")
    for (l = 1; l <= 3; l++) { name[l] = a[4*l-3]; pump[l] = a[4*l-2]; phos[l] = a[4*l-1]; ratio[l] = a[4*l] }
    wide(out "/wide.csv", ",", ".", "\r\n")
    wide(out "/wide-semicolon.csv", ";", ",", "\n")
    # Long, tabs, with metadata lines above the header.
    f = out "/long.txt"; printf "仪器: SP-1\n积分时间：100 ms\n\n波长(nm)" > f
    for (l = 1; l <= 3; l++) printf "\t%s", name[l] > f
    printf "\n" > f
    for (nm = 380; nm <= 780; nm += 5) {
      printf "%d", nm > f
      for (l = 1; l <= 3; l++) printf "\t%s", v(nm, pump[l], phos[l], ratio[l]) > f
      printf "\n" > f
    }
    # CGATS.
    f = out "/spectra.cgats"
    printf "SPECT\nORIGINATOR \"bench\"\nDESCRIPTOR \"测试文件\"\nSPECTRAL_START_NM 380\nSPECTRAL_END_NM 780\n" > f
    printf "SPECTRAL_BANDS 81\nNUMBER_OF_FIELDS 82\nBEGIN_DATA_FORMAT\nSAMPLE_ID" > f
    for (nm = 380; nm <= 780; nm += 5) printf " SPEC_%d", nm > f
    printf "\nEND_DATA_FORMAT\nNUMBER_OF_SETS 3\nBEGIN_DATA\n" > f
    for (l = 1; l <= 3; l++) {
      printf "%s", name[l] > f
      for (nm = 380; nm <= 780; nm += 5) printf " %s", v(nm, pump[l], phos[l], ratio[l]) > f
      printf "\n" > f
    }
    printf "END_DATA\n" > f
    # IES TM-27, one LED a file.
    for (l = 1; l <= 3; l++) {
      f = out "/spdx/" name[l] ".spdx"
      printf "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?xml-stylesheet type=\"text/xsl\" href=\"spdx.xsl\"?>\n" > f
      printf "<IESTM2714 xmlns=\"iestm2714\" version=\"1.0\">\n<Header><Manufacturer>样品厂</Manufacturer>" > f
      printf "<CatalogNumber>%s</CatalogNumber><ReportDate>00/00/00</ReportDate></Header>\n", name[l] > f
      printf "<SpectralDistribution><SpectralQuantity>relative</SpectralQuantity>" > f
      printf "<BandwidthFWHM>2</BandwidthFWHM><BandwidthCorrected>TRUE</BandwidthCorrected>\n" > f
      for (nm = 380; nm <= 780; nm += 5)
        printf "<SpectralData wavelength=\"%d\">%s</SpectralData>\n", nm, v(nm, pump[l], phos[l], ratio[l]) > f
      printf "</SpectralDistribution>\n</IESTM2714>\n" > f
    }
  }'
iconv -f UTF-8 -t GB18030 "$in/long.txt" > "$in/long-gb18030.txt"
tr ',' '\t' < "$in/wide.csv" | iconv -f UTF-8 -t GB18030 > "$in/wide-gb18030.tsv"
mkdir -p "$in/folder"
cp "$in/wide.csv" "$in/long.txt" "$in/spectra.cgats" "$in/spdx/LED-A.spdx" "$in/folder/"
cp "$repo_root/docs/examples/bins-4000K.csv" "$in/bins.csv"
printf '名称,x1,y1,x2,y2,x3,y3,x4,y4\n结,0.38,0.37,0.40,0.40,0.40,0.37,0.38,0.40\n' > "$in/bins-bowtie.csv"

# A few rows from the middle of the big file, for the report and the hostile cases.
head -n 40 "$in/rows.csv" | grep -E '^0\.[0-9]+,0\.[0-9]+$' | head -n 6 | { echo x,y; cat; } > "$in/few.csv"
printf 'x,y\n0.3805,0.3768\n\xff\xfe\x80,0.3768\n0.38\x80,0.37\n' > "$in/bad-utf8.csv"
# GB18030 with a four-byte code cut short after its second byte.
{ printf '编号,x,y\n甲,0.3805,0.3768\n乙' | iconv -f UTF-8 -t GB18030; printf '\x81\x30,0.3805,0.3768\n'; } > "$in/bad-gb18030.csv"
printf 'x,y\n0.3805,0.3768\n"0.3805,0.3768\n0.3127,0.3290\n' > "$in/unclosed-quote.csv"

# ---------------------------------------------------------------- running
# Arguments name files by prefixes: IN:f is the shared input $in/f, OUT:f a
# file in each side's own folder; both become Windows paths for Windows.

expand() { # SIDE ARG
  local side=$1 arg=$2 path
  case $arg in
    IN:*) path=$in/${arg#IN:} ;;
    OUT:*) path=$work/$side/${arg#OUT:} ;;
    *) echo "$arg"; return ;;
  esac
  if [ "$side" = windows ]; then to_windows "$path"; else echo "$path"; fi
}

run_side() { # SIDE NAME PROGRAM ARGS...
  local side=$1 name=$2 program=$3; shift 3
  local args=() a exe
  for a in "$@"; do args+=("$(expand "$side" "$a")"); done
  local base=$work/$side/$name
  if [ "$side" = linux ]; then
    exe=$linux_build/$program/$program
    (cd "$work/$side" && "$exe" "${args[@]}") >"$base.stdout" 2>"$base.stderr" </dev/null
  else
    exe=$windows_build/$program/$program.${windows_suffix:-com}
    (cd "$work/$side" && "$win_dir/wine-run.sh" --timeout 120 "$exe" "${args[@]}") \
      >"$base.stdout" 2>"$base.stderr" </dev/null
  fi
  echo $? >"$base.status"
}

# Where two files first differ, without their paths.
first_difference() { cmp "$1" "$2" 2>&1 | head -n 1 | sed 's/^.* differ: /differ at /; s/^cmp: //'; }

cases=0 differing=0
report() { # NAME RESULT [WHY]
  cases=$((cases + 1))
  if [ "$2" = same ]; then
    printf '%-44s same\n' "$1"
  else
    differing=$((differing + 1))
    printf '%-44s DIFFERENT (%s)\n' "$1" "$3"
  fi
}

# compare NAME [--no-stderr] [--outputs F...] [--pdf F] [--pngs PREFIX]
compare() {
  local name=$1; shift
  local l=$work/linux/$name w=$work/windows/$name why=() stderr=1
  cmp -s "$l.status" "$w.status" || why+=("status $(cat "$l.status") vs $(cat "$w.status")")
  cmp -s "$l.stdout" "$w.stdout" || why+=("stdout $(first_difference "$l.stdout" "$w.stdout")")
  while [ $# -gt 0 ]; do
    case $1 in
      --no-stderr) stderr=0; shift ;;
      --outputs) shift
        while [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; do
          if [ -e "$work/linux/$1" ] || [ -e "$work/windows/$1" ]; then
            cmp -s "$work/linux/$1" "$work/windows/$1" || why+=("$1 $(first_difference "$work/linux/$1" "$work/windows/$1")")
          fi
          shift
        done ;;
      --pdf)
        local pl pw
        pl=$(pdfinfo "$work/linux/$2" 2>/dev/null | sed -n 's/^Pages: *//p')
        pw=$(pdfinfo "$work/windows/$2" 2>/dev/null | sed -n 's/^Pages: *//p')
        [ -n "$pl" ] && [ "$pl" = "$pw" ] || why+=("$2 pages ${pl:-none} vs ${pw:-none}")
        # The text in drawing order (-raw): the layout mode regroups words
        # by where glyphs of other widths land. The date is each run's own.
        # The diagram's temperature labels ("4500K", "ANSI 5000 K") are left
        # out: Qt on Windows takes the Latin letters from DejaVu Sans, not
        # from WenQuanYi Zen Hei as fontconfig does, and a wider label is
        # left out where it finds no free place; every figure stays.
        local side
        for side in linux windows; do
          pdftotext -q -raw "$work/$side/$2" - | sed -E 's/[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}/DATE/' \
            | grep -Ev '^((ANSI|GB) )?[0-9]{4} ?K$' > "$work/$side/$name.pdf.txt"
        done
        cmp -s "$l.pdf.txt" "$w.pdf.txt" || why+=("$2 text $(first_difference "$l.pdf.txt" "$w.pdf.txt")")
        shift 2 ;;
      --pngs)
        local nl nw
        nl=$(ls "$work/linux/$2"-*.png 2>/dev/null | wc -l)
        nw=$(ls "$work/windows/$2"-*.png 2>/dev/null | wc -l)
        [ "$nl" -gt 0 ] && [ "$nl" = "$nw" ] || why+=("$2 pages $nl vs $nw")
        shift 2 ;;
    esac
  done
  [ $stderr = 1 ] && { cmp -s "$l.stderr" "$w.stderr" || why+=("stderr $(first_difference "$l.stderr" "$w.stderr")"); }
  if [ ${#why[@]} -eq 0 ]; then report "$name" same; else report "$name" different "$(IFS=';'; echo "${why[*]}")"; fi
}

# check NAME PROGRAM ARGS... -- COMPARE-OPTIONS...: runs both sides, compares.
check() {
  local name=$1 program=$2; shift 2
  local args=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do args+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  run_side linux "$name" "$program" "${args[@]}"
  run_side windows "$name" "$program" "${args[@]}"
  compare "$name" "$@"
}

start=$SECONDS

# 100,000 rows through every standard and rated CCT, and through cendrel.
for standard in GB ANSI; do
  for cct in 6500 5000 4000 3500 3000 2700; do
    if [ $cct = 4000 ]; then   # one of them to standard output, the rest to OUT
      check "rows-$standard-$cct" ambrix --batch IN:rows.csv --standard $standard --cct $cct
    else
      check "rows-$standard-$cct" ambrix --batch IN:rows.csv --standard $standard --cct $cct -o OUT:rows-$standard-$cct.csv \
        -- --outputs rows-$standard-$cct.csv
    fi
  done
done
check rows-GB-4000-json ambrix --batch IN:rows.csv --standard GB --cct 4000 --format json -o OUT:rows.json -- --outputs rows.json
check rows-cendrel cendrel --batch IN:rows.csv -o OUT:rows-cendrel.csv -- --outputs rows-cendrel.csv
check rows-cendrel-json cendrel --batch IN:rows.csv --format json
check rows-bins ambrix --batch IN:rows.csv --standard ANSI --cct 4000 --bins IN:bins.csv -o OUT:rows-bins.csv \
  -- --outputs rows-bins.csv
check bins-bowtie ambrix --batch IN:few.csv --standard ANSI --cct 4000 --bins IN:bins-bowtie.csv -- --no-stderr
# The window program's own file, given the batch, writes as its console twin.
windows_suffix=exe check rows-window-program ambrix --batch IN:rows.csv --standard GB --cct 3000 -o OUT:rows-exe.csv \
  -- --outputs rows-exe.csv

# Spectral files of every layout, CSV and JSON, with the extra columns.
for file in wide.csv wide-gb18030.tsv long.txt long-gb18030.txt spectra.cgats spdx/LED-B.spdx; do
  tag=${file//\//-}
  check "spectra-$tag" ambrix --batch IN:$file --standard GB --cct 4000 --tm30-bins --alpha-opic
  check "spectra-$tag-json" cendrel --batch IN:$file --format json --alpha-opic --tm30-bins
done
check spectra-decimal-comma ambrix --batch IN:wide-semicolon.csv --decimal-comma --standard ANSI --cct 5000 --format json
check spectra-several-files ambrix --batch IN:wide.csv IN:spectra.cgats IN:spdx/LED-A.spdx IN:spdx/LED-C.spdx \
  --standard ANSI --cct 3500 --tm30-bins -o OUT:several.csv -- --outputs several.csv
check spectra-folder cendrel --batch IN:folder --alpha-opic -o OUT:folder.csv -- --outputs folder.csv

# Hostile input.
check bad-utf8 ambrix --batch IN:bad-utf8.csv --standard GB --cct 4000
check bad-gb18030 cendrel --batch IN:bad-gb18030.csv --format json
check unclosed-quote ambrix --batch IN:unclosed-quote.csv --standard ANSI --cct 4000
# IN = OUT through another spelling: ./ and .. on Linux, forward slashes,
# .. and other letter case on Windows. Refused; the file stays as it was.
for side in linux windows; do cp "$in/few.csv" "$work/$side/same.csv"; done
same_dir=$work/linux
run_side linux in-equals-out-dot ambrix --batch OUT:same.csv --standard GB --cct 4000 -o "$same_dir/./same.csv"
run_side windows in-equals-out-dot ambrix --batch OUT:same.csv --standard GB --cct 4000 \
  -o "Z:$work/windows/same.csv"
compare in-equals-out-dot --no-stderr --outputs same.csv
run_side linux in-equals-out-dotdot ambrix --batch OUT:same.csv --standard GB --cct 4000 \
  -o "$work/linux/../linux/same.csv"
run_side windows in-equals-out-dotdot ambrix --batch OUT:same.csv --standard GB --cct 4000 \
  -o "$(to_windows "$work/windows/../windows/SAME.CSV")"
compare in-equals-out-dotdot --no-stderr --outputs same.csv

# Reports: PDF pages and text, PNG pages.
check report-pdf ambrix --batch IN:few.csv --standard GB --cct 4000 --report OUT:r.pdf -- --pdf r.pdf
check report-pdf-spectra cendrel --batch IN:spectra.cgats --report OUT:s.pdf -- --pdf s.pdf
check report-png ambrix --batch IN:few.csv --standard ANSI --cct 3000 --report OUT:r.png -- --pngs r

"$win_dir/wine-run.sh" --stop
echo "total: $cases cases, $((cases - differing)) same, $differing different ($((SECONDS - start)) s)"
[ $differing -eq 0 ]
