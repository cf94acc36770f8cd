#!/bin/sh
# Runs the screen-capture test program (tests/gui/portal_capture) in a
# headless Wayland session with the screenshot portal, natively and through
# XWayland, when such a session can be started here: the session tools
# (QUILLET_WAYLAND_SESSION, or shared/tools/wayland-session beside the
# repository) and root, which they need to install their packages and add a
# user. Anywhere else it says why it skipped and succeeds; a session that
# does not start is a skip too. Fails only when the session ran and a
# capture was wrong.
set -u
program=$(readlink -f "$1")
session=""
for dir in "${QUILLET_WAYLAND_SESSION:-}" ../shared/tools/wayland-session ../../shared/tools/wayland-session; do
    if [ -n "$dir" ] && [ -x "$dir/ci-portal-capture.sh" ]; then session=$dir; break; fi
done
if [ -z "$session" ] || [ "$(id -u)" -ne 0 ] || ! command -v runuser >/dev/null 2>&1; then
    echo "portal capture test skipped: no headless Wayland session can be started here"
    exit 0
fi
log=$(mktemp)
timeout 600 "$session/ci-portal-capture.sh" "$program" >"$log" 2>&1
rc=$?
cat "$log"
if [ $rc -ne 0 ] && ! grep -q "portal ready" "$log"; then
    echo "portal capture test skipped: the session did not start"
    rc=0
fi
rm -f "$log"
exit $rc
