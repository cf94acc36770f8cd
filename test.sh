#!/bin/sh
# Installs what is missing, builds Quillet with its tests into build/ (Release)
# and runs them all through ctest; then runs them again from a build with
# AddressSanitizer and UndefinedBehaviorSanitizer in build/asan.
# Exits non-zero when anything fails.
set -eu
cd "$(dirname "$0")"
. tools/setup.sh

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON \
      -DWARNINGS_AS_ERRORS=ON
cmake --build build
ctest --test-dir build --output-on-failure -j2 --timeout 600
sh tools/portal-capture.sh build/tests/gui/portal_capture

cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON \
      -DWITH_SANITIZERS=ON -DWARNINGS_AS_ERRORS=ON
cmake --build build/asan
ctest --test-dir build/asan --output-on-failure -j2 --timeout 900
