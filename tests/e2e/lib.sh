# Shared by the end-to-end scripts: a private X server, a throw-away profile, and waits that
# always give up. Source it, then call e2e_setup with the program's path.
set -u

E2E_PIDS=()
E2E_XVFB_PID=""
E2E_TMP=""

e2e_fail() {
  echo "FAIL: $*" >&2
  exit 1
}

e2e_cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  if [ -n "$E2E_XVFB_PID" ]; then
    kill "$E2E_XVFB_PID" 2>/dev/null
    wait "$E2E_XVFB_PID" 2>/dev/null
  fi
  [ -n "$E2E_TMP" ] && [ -z "${E2E_KEEP:-}" ] && rm -rf "$E2E_TMP"
}

# e2e_setup PROGRAM: starts Xvfb on a free display and points HOME and the XDG directories
# at a fresh temporary tree.
e2e_setup() {
  MIREV="$(readlink -f "$1")"
  [ -x "$MIREV" ] || e2e_fail "no program at $MIREV"
  command -v Xvfb >/dev/null || e2e_fail "Xvfb is missing"
  command -v xdotool >/dev/null || e2e_fail "xdotool is missing"
  trap e2e_cleanup EXIT
  E2E_TMP="$(mktemp -d)"
  export HOME="$E2E_TMP/home"
  export XDG_CONFIG_HOME="$E2E_TMP/config"
  export XDG_DATA_HOME="$E2E_TMP/data"
  export XDG_RUNTIME_DIR="$E2E_TMP/run"
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  export QT_QPA_PLATFORM=xcb
  unset QT_QPA_PLATFORMTHEME
  PROFILE="$XDG_CONFIG_HOME/Harrowin/Mirev.conf"

  # Xvfb picks a free display itself and tells us which. With -noreset it does not reset when
  # its last client (the probe below) leaves, so the program never connects during a reset.
  local displayfile="$E2E_TMP/display"
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 3>"$displayfile" 2>"$E2E_TMP/xvfb.log" &
  E2E_XVFB_PID=$!
  e2e_wait 20 '[ -s "$displayfile" ]' || e2e_fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
  export DISPLAY=":$(head -n1 "$displayfile")"
  e2e_wait 20 'xdotool getdisplaygeometry >/dev/null 2>&1' || e2e_fail "display $DISPLAY does not answer"
}

# e2e_wait SECONDS CONDITION: polls the condition until it holds or the time is up.
e2e_wait() {
  local deadline=$((SECONDS + $1))
  while ! eval "$2"; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.1
  done
  return 0
}

# e2e_start ARGS...: starts the program in the background; its pid is in E2E_LAST_PID.
e2e_start() {
  "$MIREV" "$@" >>"$E2E_TMP/mirev.log" 2>&1 &
  E2E_LAST_PID=$!
  E2E_PIDS+=("$E2E_LAST_PID")
}

# The ids of the mapped windows whose name matches the regular expression.
e2e_windows() {
  xdotool search --onlyvisible --name "$1" 2>/dev/null
}

# e2e_window REGEX SECONDS: waits for one mapped window with a matching name, prints its id.
e2e_window() {
  local regex="$1" found=""
  e2e_wait "$2" 'found=$(e2e_windows "$regex" | head -n1); [ -n "$found" ]' || return 1
  echo "$found"
}

# e2e_exited PID SECONDS: waits for the process to end; its exit status is then in
# E2E_STATUS. Not for a command substitution: only this shell can wait for its children.
e2e_exited() {
  local pid="$1"
  e2e_wait "$2" '! kill -0 "$pid" 2>/dev/null' || return 1
  wait "$pid"
  E2E_STATUS=$?
  return 0
}

# e2e_keys WINDOW KEYS...: gives the window the keyboard and types the keys.
e2e_keys() {
  local window="$1"
  shift
  xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
  sleep 0.2
  xdotool key --clearmodifiers --delay 100 "$@"
}

# The mapped windows of the program (main window, dialogs, open menus), one id a line.
e2e_program_windows() {
  xdotool search --onlyvisible --classname "^$(basename "$MIREV")\$" 2>/dev/null
}

# e2e_new_window SECONDS KNOWN...: waits for a mapped window of the program that is none of
# the KNOWN ones (a dialog, an open menu) and prints its id.
e2e_new_window() {
  local seconds="$1" found=""
  shift
  local known=" $* "
  e2e_wait "$seconds" 'found=$(e2e_program_windows | while read -r w; do
      [[ "$known" == *" $w "* ]] || { echo "$w"; break; }; done); [ -n "$found" ]' || return 1
  echo "$found"
}

# e2e_gone WINDOW SECONDS: waits until the window is no longer mapped.
e2e_gone() {
  local window="$1"
  e2e_wait "$2" '! e2e_program_windows | grep -qx "$window"'
}

# e2e_named_window NAME SECONDS: waits for a mapped window of the program named exactly NAME
# (letter for letter, whatever the locale does with patterns) and prints its id.
e2e_named_window() {
  local name="$1" found=""
  e2e_wait "$2" 'found=$(e2e_program_windows | while read -r w; do
      [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$name" ] && { echo "$w"; break; }; done)
      [ -n "$found" ]' || return 1
  echo "$found"
}

# The names of the program's mapped windows, for failure messages.
e2e_window_names() {
  local w
  for w in $(e2e_program_windows); do printf "'%s' " "$(xdotool getwindowname "$w" 2>/dev/null)"; done
}

# e2e_use_probe PATH: the screen probe (tests/e2e/ScreenProbe.cpp) the scripts below need.
e2e_use_probe() {
  E2E_PROBE="$(readlink -f "$1")"
  [ -x "$E2E_PROBE" ] || e2e_fail "no screen probe at $E2E_PROBE"
}

# e2e_shot NAME: a screenshot of the whole screen in $E2E_TMP/NAME.png (kept with E2E_KEEP=1).
e2e_shot() {
  sleep 0.5
  "$E2E_PROBE" grab "$E2E_TMP/$1.png" || e2e_fail "no screenshot $1"
}

# e2e_box NAME RRGGBB: "x y width height" of the pixels of that colour in screenshot NAME.
e2e_box() {
  "$E2E_PROBE" box "$E2E_TMP/$1.png" "$2"
}

# e2e_count NAME COLOR X Y W H: the pixels of the area that are COLOR (RRGGBB, or dark).
e2e_count() {
  "$E2E_PROBE" count "$E2E_TMP/$1.png" "$2" "$3" "$4" "$5" "$6"
}
