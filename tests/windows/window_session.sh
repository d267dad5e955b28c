#!/usr/bin/env bash
# One keyboard-driven session of the configurator's window, the same for the
# Linux program and for tq740conf.exe under Wine, so that their frames can be
# compared: Connection > COM 1, Device > Select device > Auto (reads the whole
# configuration; message 57 closes it), a picture of the window, Device >
# Write parameters to device with the form unedited (its closing message is
# acknowledged), Connection > "Port settings..." with COM 4's path set to
# COM9 and confirmed with OK, File > Exit.
#   window_session.sh OUT_DIR PROGRAM [ARGS...]
# DISPLAY names a running X server. Writes OUT_DIR/window.png and
# OUT_DIR/session.log (each step with the time it took); exits non-zero when
# a step does not come about within its time limit.
set -euo pipefail
out=$1
shift
mkdir -p "$out"
log=$out/session.log
: >"$log"

"$@" >"$out/program.out" 2>&1 &
app=$!
trap 'kill $app 2>/dev/null || true' EXIT

step() { echo "$(date +%T.%N | cut -c1-12) $*" >>"$log"; }
fail() {
  step "FAILED: $*"
  import -window root "$out/failure.png" 2>/dev/null || true
  echo "window session: $* (see $out)" >&2
  exit 1
}
# The window is idle when the picture no longer changes.
settle() {
  local before="" now
  for _ in $(seq 60); do
    now=$(import -window root -depth 8 rgb:- 2>/dev/null | md5sum)
    [ "$now" = "$before" ] && return 0
    before=$now
    sleep 0.2
  done
}
# find SECONDS NAME_REGEX: the first visible window so named.
find() {
  timeout "$1" xdotool search --sync --onlyvisible --name "$2" 2>/dev/null | head -1
}
focusMain() { timeout 10 xdotool windowfocus --sync "$main" 2>/dev/null || true; }
keys() {
  focusMain
  xdotool key --delay 120 "$@"
}
# A message box is a window titled exactly "TQ740conf". Under Wine a closed
# box's window can stay listed for a while, so a box counts only if it was
# not closed before.
closed=" "
newBox() {  # newBox SECONDS: the id of a visible box not closed before
  local end=$((SECONDS + $1)) id
  while [ "$SECONDS" -lt "$end" ]; do
    for id in $(xdotool search --onlyvisible --name '^TQ740conf$' 2>/dev/null); do
      [[ "$closed" == *" $id "* ]] || { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  return 1
}
# Return takes the box's default button; the box must then go away.
closeBox() {
  local box
  box=$(newBox "$1") || fail "no message box after $2"
  settle
  step "message box after $2"
  timeout 10 xdotool windowfocus --sync "$box" 2>/dev/null || true
  xdotool key Return
  closed+="$box "
  for _ in $(seq 300); do
    xdotool search --onlyvisible --name '^TQ740conf$' 2>/dev/null | grep -qx "$box" || break
    sleep 0.1
  done
  xdotool search --onlyvisible --name '^TQ740conf$' 2>/dev/null | grep -qx "$box" && fail "the message box after $2 stayed open"
  settle
}

step "start: $*"
main=$(find 60 ' - TQ740conf$') || true
[ -n "$main" ] || fail "the main window did not appear"
settle
step "main window $main"

keys alt+c 1
settle
step "COM 1 opened"

# While Auto reads, the window must keep painting: its progress field
# changes, so pictures taken meanwhile differ. The count of different ones
# goes into the log ("pictures during Auto: N").
keys alt+d Right Return
declare -A seen=()
for _ in $(seq 600); do
  [ -n "$(xdotool search --onlyvisible --name '^TQ740conf$' 2>/dev/null | head -1)" ] && break
  seen[$(import -window root -depth 8 rgb:- 2>/dev/null | md5sum | cut -c1-32)]=1
  sleep 0.1
done
step "pictures during Auto: ${#seen[@]}"
closeBox 120 "Auto"
eval "$(xdotool getwindowgeometry --shell "$main")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/window.png"
step "picture taken"

keys alt+d w
closeBox 120 "Write parameters to device"

keys alt+c s
dialog=$(find 30 '^Port settings$') || true
[ -n "$dialog" ] || fail "no Port settings dialog"
settle
import -window "$dialog" "$out/port_settings.png"
# COM 4's path typed anew, so that OK has a change to save.
timeout 10 xdotool windowfocus --sync "$dialog" 2>/dev/null || true
xdotool key --delay 120 alt+4 Tab ctrl+a
xdotool type --delay 50 COM9
xdotool key Return
for _ in $(seq 100); do
  xdotool search --onlyvisible --name '^Port settings$' 2>/dev/null | grep -qx "$dialog" || break
  sleep 0.1
done
xdotool search --onlyvisible --name '^Port settings$' 2>/dev/null | grep -qx "$dialog" \
  && fail "the Port settings dialog stayed open"
settle
step "Port settings: COM 4 set to COM9 and confirmed"

keys alt+f e
for _ in $(seq 100); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$app" 2>/dev/null && fail "the program did not end after File > Exit"
wait "$app" || fail "the program ended with status $?"
step "ended"
