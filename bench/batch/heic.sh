#!/bin/bash
# The HEIC job: 24 phone-size HEIC photographs to 800 px JPEGs (quality 84),
# by quillet-batch and by libvips' vipsthumbnail, which reads HEIC through
# the same libheif. Prints Markdown table rows like compare.sh.
#
#   bench/batch/heic.sh BUILD_DIR [PHOTO_DIR] [HEIC_DIR]
#
# BUILD_DIR holds quillet-batch (src/output) and make_heic (bench/batch,
# configured with -DBUILD_BENCHMARKS=ON). PHOTO_DIR (default
# /tmp/qcorpus/jpeg12mp, made by make-photo-corpus) holds the photographs that
# make_heic turns into HEIC_DIR (default BUILD_DIR/heic-corpus) when it is empty.
set -euo pipefail

build=${1:?usage: heic.sh BUILD_DIR [PHOTO_DIR] [HEIC_DIR]}
photos=${2:-/tmp/qcorpus/jpeg12mp}
heic=${3:-$build/heic-corpus}
batch=$build/src/output/quillet-batch
maker=$build/bench/batch/make_heic

[ -x "$batch" ] || { echo "no $batch: build quillet-batch first" >&2; exit 2; }
if ! ls "$heic"/*.heic >/dev/null 2>&1; then
    [ -x "$maker" ] || { echo "no $maker: configure with -DBUILD_BENCHMARKS=ON" >&2; exit 2; }
    echo "making HEIC files from $photos in $heic..." >&2
    "$maker" "$photos" "$heic"
fi
files=("$heic"/*.heic)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# measure TOOL COMMAND...: runs the command once into $work/out, prints a row.
measure() {
    local tool=$1; shift
    rm -rf "$work/out"; mkdir -p "$work/out"
    if ! /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >"$work/log" 2>&1; then
        echo "| $job | $tool | failed | | | |"; return
    fi
    read -r secs user sys kb <"$work/time"
    awk -v j="$job" -v t="$tool" -v n="${#files[@]}" -v s="$secs" -v c="$user + $sys" -v k="$kb" \
        -v w="$(ls "$work/out" | wc -l)" \
        'BEGIN { split(c, p, " + "); printf "| %s | %s | %.2f | %.2f | %.0f | %d/%d |\n",
                 j, t, n / s, (p[1] + p[2]) / n, k / 1024, w, n }'
}

job="24 phone HEIC (12 MP) -> 800 px JPEG q84"
echo "| job | tool | images/s | CPU s/image | peak MiB | written |"
echo "|---|---|---:|---:|---:|---|"
measure quillet-batch "$batch" --quiet --overwrite all --size huge --quality high --format jpg \
    -o "$work/out" "${files[@]}"
if command -v vipsthumbnail >/dev/null; then
    measure vipsthumbnail vipsthumbnail "${files[@]}" --size 800 -o "$work/out/%s.jpg[Q=84]"
fi
