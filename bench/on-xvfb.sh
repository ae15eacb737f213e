#!/usr/bin/env bash
# Runs an interface benchmark on a classroom screen: a private Xvfb of 1920 x 1080 on a free display, with the
# compositing manager that run.sh starts too (the interaction windows are see-through), both ended afterwards.
#   bench/on-xvfb.sh build/bench-bin/bench-free-answers 60 200
#   bench/on-xvfb.sh build/bench-bin/bench-team-answers
set -euo pipefail
if [ $# -lt 1 ]; then
    echo "usage: $0 BENCHMARK [ARGUMENTS...]" >&2
    exit 2
fi
if ! command -v Xvfb >/dev/null; then
    echo "Xvfb is missing: apt-get install xvfb" >&2
    exit 2
fi
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
# Xvfb picks a free display itself and writes its number once it listens.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
if [ ! -s "$work/display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
unset QT_QPA_PLATFORM
if command -v xcompmgr >/dev/null; then
    xcompmgr >/dev/null 2>&1 &
    pids+=($!)
fi
echo "display $DISPLAY, 1920 x 1080"
"$@"
