#!/bin/sh
# Runs the X11 tests under xvfb-run. Their bind mounts stay in a mount namespace of their own,
# so that tests running beside them never see a logger come and go; without one the mount
# test skips, and without xvfb-run every test skips.
if ! command -v xvfb-run >/dev/null 2>&1; then
    exec "$@"
fi
if unshare --mount --propagation private true 2>/dev/null; then
    exec unshare --mount --propagation private env VEXLO_PRIVATE_MOUNTS=1 xvfb-run -a "$@"
fi
exec xvfb-run -a "$@"
