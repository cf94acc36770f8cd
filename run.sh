#!/bin/sh
# Installs what is missing, builds Quillet (Release) into build/ and starts it.
set -eu
cd "$(dirname "$0")"
. tools/setup.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON
cmake --build build --target quillet
exec ./build/src/shell/quillet "$@"
