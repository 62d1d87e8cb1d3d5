# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers for the end-to-end tests: a private X server, the real program in a
# temporary working directory, and waits on things a person would see.
# Every wait has a generous bound and polls for an observable event.

E2E_TMP=$(mktemp -d /tmp/qvb-e2e.XXXXXX)
export HOME="$E2E_TMP/home"
mkdir -p "$HOME"
export XDG_RUNTIME_DIR="$E2E_TMP/run"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
export QVB_SYNTH_AUDIO="file:$E2E_TMP/synth.wav"
export JACK_NO_START_SERVER=1
XVFB_PID=""
APP_PID=""

fail() { echo "FAIL: $*" >&2; exit 1; }

cleanup() {
  [ -n "$APP_PID" ] && kill -9 "$APP_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$E2E_TMP"
}
trap cleanup EXIT

start_x() {
  local n
  for n in $(seq 120 199); do
    if [ ! -e "/tmp/.X$n-lock" ]; then
      # -noreset: an X server resets itself when its last client goes, and
      # refuses new clients for that moment; a test that ends the program
      # and starts it again at once would meet that moment now and then.
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -br -noreset >/dev/null 2>&1 &
      XVFB_PID=$!
      export DISPLAY=":$n"
      local i
      for i in $(seq 1 100); do
        # The display must be served by this test's own server: another test
        # that picked the same number at the same moment holds the lock then.
        if xdpyinfo >/dev/null 2>&1; then
          [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$XVFB_PID" ] && return 0
          break
        fi
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
      done
      kill "$XVFB_PID" 2>/dev/null
    fi
  done
  fail "no X server could be started"
}

# start_app BINARY [ARGS...]: starts the program in the temporary working directory.
start_app() {
  local bin; bin=$(realpath "$1"); shift
  (cd "$E2E_TMP" && exec "$bin" "$@") >"$E2E_TMP/app.log" 2>&1 &
  APP_PID=$!
}

# start_app_in DIR BINARY [ARGS...]: the same, in another working directory.
start_app_in() {
  local dir=$1 bin; bin=$(realpath "$2"); shift 2
  (cd "$dir" && exec "$bin" "$@") >"$E2E_TMP/app.log" 2>&1 &
  APP_PID=$!
}

# wait_window REGEX [SECONDS]: sets WIN to a visible window whose title matches.
wait_window() {
  local regex=$1 limit=${2:-30} i id
  for i in $(seq 1 $((limit * 10))); do
    id=$(xdotool search --onlyvisible --name "$regex" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then WIN=$id; return 0; fi
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended while waiting for '$regex' ($(tail -5 "$E2E_TMP/app.log"))"
    sleep 0.1
  done
  fail "no window '$regex' within ${limit}s"
}

# wait_gone REGEX [SECONDS]
wait_gone() {
  local regex=$1 limit=${2:-30} i
  for i in $(seq 1 $((limit * 10))); do
    [ -z "$(xdotool search --onlyvisible --name "$regex" 2>/dev/null)" ] && return 0
    sleep 0.1
  done
  fail "window '$regex' still there after ${limit}s"
}

# press WINDOW KEY: focus the window and type a key into it.
press() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  sleep 0.2
  xdotool key --clearmodifiers "$2"
}

# wait_exit [SECONDS]: waits for the program to end and sets RC to its exit status.
wait_exit() {
  local limit=${1:-30} i
  for i in $(seq 1 $((limit * 10))); do
    if ! kill -0 "$APP_PID" 2>/dev/null; then
      wait "$APP_PID"; RC=$?
      APP_PID=""
      return 0
    fi
    sleep 0.1
  done
  fail "the program did not end within ${limit}s"
}
