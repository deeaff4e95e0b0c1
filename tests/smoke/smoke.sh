#!/bin/sh
# End-to-end smoke test: starts the built editor on the X display of the test
# run, opens a demo image through the real Open File dialog with keyboard
# input, saves it under a new name through the Save File dialog, quits, and
# compares the bytes. Usage: smoke.sh KORVANE KORVANE_DEMO
set -eu
KORVANE=$1
DEMO=$2
WORK=$(mktemp -d /tmp/korvane-smoke-XXXXXX)
PID=""
cleanup() {
  [ -n "$PID" ] && kill "$PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "smoke: $*" >&2; exit 1; }

# A private home whose file chooser settings start in the current folder and
# take typed file names.
mkdir -p "$WORK/home/.config/gtk-2.0" "$WORK/home/.local/share"
printf '[Filechooser Settings]\nLocationMode=filename-entry\nStartupMode=cwd\n' \
  > "$WORK/home/.config/gtk-2.0/gtkfilechooser.ini"
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_DATA_HOME="$WORK/home/.local/share"
cd "$WORK"
"$DEMO" demo.img

"$KORVANE" > korvane.log 2>&1 &
PID=$!

# Waits up to 20 s for a window of this title and focuses it.
focusWindow() {
  i=0
  while ! W=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) || [ -z "$W" ]; do
    i=$((i + 1)); [ $i -gt 100 ] && fail "no window '$1'"; sleep 0.2
  done
  xdotool windowfocus --sync "$W" 2>/dev/null || xdotool windowfocus "$W"
  sleep 0.3
}

focusWindow "Korvane 2.6"
xdotool key ctrl+o
focusWindow "Open File"
xdotool type --delay 20 "$WORK/demo.img"
sleep 0.3
xdotool key Return

# Once the image is loaded, Save writes it under a new name.
sleep 1
focusWindow "Korvane 2.6"
xdotool key ctrl+s
focusWindow "Save File"
xdotool key ctrl+a
xdotool type --delay 20 "$WORK/copy.img"
sleep 0.3
xdotool key Return
i=0
while [ ! -s copy.img ]; do
  i=$((i + 1)); [ $i -gt 100 ] && { cat korvane.log >&2; fail "copy.img was not written"; }; sleep 0.2
done

# Nothing was changed, so Quit ends the program without a question.
focusWindow "Korvane 2.6"
xdotool key ctrl+q
i=0
while kill -0 "$PID" 2>/dev/null; do
  i=$((i + 1)); [ $i -gt 100 ] && fail "the editor did not quit"; sleep 0.2
done
wait "$PID" || { cat korvane.log >&2; fail "the editor exited with an error"; }
PID=""
cmp demo.img copy.img || fail "the saved image differs from the opened one"
echo "smoke: opened, saved and quit; the saved image is byte-identical"
