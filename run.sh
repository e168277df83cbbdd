#!/usr/bin/env bash
# Installs what is missing, builds calldesk (Release) and runs a demo: a
# simulated receiver with twenty pagers and the desk on its link, with the
# demo site in build/demo/. Without a display the desk runs under xvfb-run
# and its event log is all there is to watch. Ctrl-C stops both; the desk
# leaves a picture of its main window in build/demo/calldesk.png.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

scripts/install-deps
export CCACHE_BASEDIR="$PWD"
cmake -S . -B build -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"

demo=build/demo
link="$PWD/$demo/receiver"
if [[ ! -d "$demo" ]]; then
    case "${LC_ALL:-${LC_MESSAGES:-${LANG:-}}}" in
    zh*) language=zh ;;
    *) language=en ;;
    esac
    mkdir -p "$demo"
    build/bin/calldesk-tool demo-site --data-dir "$demo" --port "$link" --language "$language"
fi

# Each program gets a session of its own, so that Ctrl-C reaches only this
# script, which then stops them in order: the desk first (it closes the port,
# saves and takes its picture while its display still exists), then the
# simulated receiver.
setsid build/bin/calldesk-tool simulate --link "$link" --pagers 20 --rate 0.2 --cancel-after 60 \
    >"$demo/simulator.log" 2>&1 &
simulator=$!
for _ in $(seq 100); do
    [[ -L "$link" ]] && break
    sleep 0.1
done
if [[ ! -L "$link" ]]; then
    echo "run.sh: the simulated receiver did not start; see $demo/simulator.log" >&2
    kill -INT "$simulator" 2>/dev/null || true
    exit 1
fi

pidfile="$demo/calldesk.pid"
rm -f "$pidfile"
desk=(build/bin/calldesk --data-dir "$demo" --screenshot "$demo/calldesk.png")
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    setsid sh -c 'echo $$ >"$0"; exec "$@"' "$pidfile" "${desk[@]}" &
else
    echo "run.sh: no display; the desk runs under xvfb-run. Its events follow; Ctrl-C stops the demo."
    setsid xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb \
        sh -c 'echo $$ >"$0"; exec "$@"' "$pidfile" "${desk[@]}" &
fi
runner=$!

stop() {
    trap - INT TERM
    if [[ -s "$pidfile" ]]; then
        kill -INT "$(cat "$pidfile")" 2>/dev/null || true
    fi
    wait "$runner" 2>/dev/null || true
    kill -INT "$simulator" 2>/dev/null || true
    wait "$simulator" 2>/dev/null || true
    rm -f "$pidfile"
    tail -n 1 "$demo/simulator.log" || true
    [[ -f "$demo/calldesk.png" ]] && echo "run.sh: the last picture of the desk is $demo/calldesk.png"
    exit 0
}
trap stop INT TERM

# The desk may also end on its own (its Exit): then the demo ends too.
wait "$runner" || true
stop
