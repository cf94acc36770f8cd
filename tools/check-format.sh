#!/bin/sh
# Checks the C and C++ sources against the repository's .clang-format with the
# clang-format of Debian 12 (14; tools/setup.sh installs it). Lists every file
# that differs and exits 1 when there is one; exits 0 when all match.
#   tools/check-format.sh          check the whole tree
#   tools/check-format.sh FILE...  check only these files
#   tools/check-format.sh --fix    rewrite the files that differ, in place
set -eu
cd "$(dirname "$0")/.."
CLANG_FORMAT=${CLANG_FORMAT:-clang-format}
command -v "$CLANG_FORMAT" >/dev/null || { echo "check-format: $CLANG_FORMAT not found" >&2; exit 2; }

fix=0
if [ "${1:-}" = "--fix" ]; then fix=1; shift; fi
if [ $# -eq 0 ]; then
    set -- $(git ls-files 'src/*.cpp' 'src/*.h' 'src/*.c' 'tests/*.cpp' 'tests/*.h' 'tests/*.c' \
                          'bench/*.cpp' 'bench/*.h' 'tools/*.cpp')
fi

differ=0
for file in "$@"; do
    if [ $fix -eq 1 ]; then
        "$CLANG_FORMAT" --style=file -i "$file"
    elif ! "$CLANG_FORMAT" --style=file "$file" | cmp -s - "$file"; then
        echo "$file"
        differ=$((differ + 1))
    fi
done
if [ $differ -gt 0 ]; then
    echo "check-format: $differ file(s) differ from .clang-format; tools/check-format.sh --fix rewrites them" >&2
    exit 1
fi
