#!/bin/sh
# Checks of the installed program. Exit 0 = pass, 1 = fail, 77 = skipped
# (a tool or program that the check needs is not there).
#
#   install_checks.sh desktop  <quillet.desktop>
#   install_checks.sh metainfo <metainfo.xml>
#   install_checks.sh layout   <build-dir> <scratch-prefix>
#   install_checks.sh deb      <build-dir> <scratch-dir>
#   install_checks.sh batch    <scratch-dir> <1 when quillet-batch is built>
set -u

fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIP: $*"; exit 77; }

# The files every install must hold, below a prefix ($1).
check_layout() {
    for file in bin/quillet \
                share/applications/quillet.desktop \
                share/metainfo/io.norvane.Quillet.metainfo.xml \
                share/icons/hicolor/scalable/apps/quillet.svg \
                share/icons/hicolor/16x16/apps/quillet.png \
                share/icons/hicolor/48x48/apps/quillet.png \
                share/icons/hicolor/256x256/apps/quillet.png \
                share/nemo/actions/quillet-resize.nemo_action \
                share/nemo/actions/quillet-resize-large-jpg.nemo_action; do
        [ -e "$1/$file" ] || fail "missing $file under $1"
    done
    for program in bin/quillet bin/quillet-resize-to-large-jpg share/kio/servicemenus/quillet-resize.desktop; do
        [ -x "$1/$program" ] || fail "$1/$program is missing or not executable"
    done
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$1/share/kio/servicemenus/quillet-resize.desktop" ||
            fail "the service menu does not validate"
    fi
    if [ -d "$SOURCE_HELP" ]; then
        [ -e "$1/share/quillet/help/index.html" ] || fail "help not installed under $1/share/quillet/help"
    fi
}

case "${1:-}" in
desktop)
    command -v desktop-file-validate >/dev/null || skip "desktop-file-validate not installed"
    out=$(desktop-file-validate "$2" 2>&1) || fail "$out"
    # Hints are advice; warnings and errors are not accepted.
    echo "$out" | grep -E ': (warning|error):' && fail "desktop entry has warnings"
    exit 0 ;;
metainfo)
    command -v appstreamcli >/dev/null || skip "appstreamcli not installed"
    appstreamcli validate --no-net "$2" || fail "AppStream metadata does not validate"
    grep -q '^    <mediatype>image/jpeg</mediatype>$' "$2" || fail "the media types are not one element a line"
    exit 0 ;;
layout)
    rm -rf "$3"
    cmake --install "$2" --prefix "$3" >/dev/null || fail "cmake --install failed"
    check_layout "$3"
    exit 0 ;;
deb)
    command -v dpkg-deb >/dev/null || skip "dpkg-deb not installed"
    rm -rf "$3" && mkdir -p "$3/out" || fail "cannot create $3"
    (cd "$3/out" && cpack -G DEB --config "$2/CPackConfig.cmake" >cpack.log 2>&1) ||
        { cat "$3/out/cpack.log" >&2; fail "cpack -G DEB failed"; }
    deb=$(ls "$3"/out/*.deb 2>/dev/null | head -n 1)
    [ -n "$deb" ] || fail "no .deb produced"
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    echo "$depends" | grep -q 'libqt6core6' || fail "package does not depend on the Qt libraries"
    dpkg-deb -x "$deb" "$3/root" || fail "dpkg-deb -x failed"
    check_layout "$3/root/usr"
    exit 0 ;;
batch)
    [ "$3" = 1 ] || skip "quillet-batch is not built in this tree"
    program="$2/root/usr/bin/quillet-batch"
    [ -x "$program" ] || fail "quillet-batch missing from the package"
    version=$(QT_QPA_PLATFORM=offscreen "$program" --version 2>&1) || fail "quillet-batch --version failed: $version"
    echo "$version"
    [ -n "$version" ] || fail "quillet-batch --version printed nothing"
    exit 0 ;;
*)
    fail "unknown check '${1:-}'" ;;
esac
