# Shared by the end-to-end scripts: a private X server, a throw-away profile, waits that give up.
set -u
E2E_PIDS=() E2E_XVFB_PID="" E2E_TMP=""

e2e_fail() { echo "FAIL: $*" >&2 && exit 1; }

e2e_cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do kill -9 "$pid" && wait "$pid"; done 2>/dev/null
  [ -n "$E2E_XVFB_PID" ] && kill "$E2E_XVFB_PID" 2>/dev/null && wait "$E2E_XVFB_PID" 2>/dev/null
  [ -n "$E2E_TMP" ] && [ -z "${E2E_KEEP:-}" ] && rm -rf "$E2E_TMP"
}

# e2e_setup PROGRAM: Xvfb on a free display; HOME and the XDG folders in a fresh temporary tree.
e2e_setup() {
  MIREV="$(readlink -f "$1")"
  [ -x "$MIREV" ] || e2e_fail "no program at $MIREV"
  command -v Xvfb >/dev/null && command -v xdotool >/dev/null || e2e_fail "Xvfb or xdotool is missing"
  trap e2e_cleanup EXIT
  E2E_TMP="$(mktemp -d)"
  export HOME="$E2E_TMP/home" XDG_CONFIG_HOME="$E2E_TMP/config" XDG_DATA_HOME="$E2E_TMP/data"
  export XDG_RUNTIME_DIR="$E2E_TMP/run" QT_QPA_PLATFORM=xcb
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  unset QT_QPA_PLATFORMTHEME
  PROFILE="$XDG_CONFIG_HOME/Harrowin/Mirev.conf"
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 3>"$E2E_TMP/display" 2>"$E2E_TMP/xvfb.log" &
  E2E_XVFB_PID=$!
  e2e_wait 20 '[ -s "$E2E_TMP/display" ]' || e2e_fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
  export DISPLAY=":$(head -n1 "$E2E_TMP/display")"
  e2e_wait 20 'xdotool getdisplaygeometry >/dev/null 2>&1' || e2e_fail "display $DISPLAY does not answer"
}

# e2e_wait SECONDS CONDITION
e2e_wait() {
  local deadline=$((SECONDS + $1))
  until eval "$2"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}

# e2e_start ARGS...: the program in the background; its pid in E2E_LAST_PID.
e2e_start() {
  "$MIREV" "$@" >>"$E2E_TMP/mirev.log" 2>&1 &
  E2E_LAST_PID=$!
  E2E_PIDS+=("$E2E_LAST_PID")
}

# e2e_exited PID SECONDS: its status then in E2E_STATUS.
e2e_exited() {
  e2e_wait "$2" "! kill -0 $1 2>/dev/null" || return 1
  wait "$1"
  E2E_STATUS=$?
}

# e2e_quit PID WINDOW: the File menu's exit command ends the program with status 0.
e2e_quit() {
  e2e_keys "$2" alt+f x
  e2e_exited "$1" 20 || e2e_fail "the exit command did not end the program; windows: $(e2e_window_names)"
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit status $E2E_STATUS"
}

# e2e_keys WINDOW KEYS...
e2e_keys() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  sleep 0.2
  xdotool key --clearmodifiers --delay 100 "${@:2}"
}

# The program's mapped windows (main window, dialogs, open menus).
e2e_program_windows() {
  xdotool search --onlyvisible --classname "^$(basename "$MIREV")\$" 2>/dev/null
}

# e2e_new_window SECONDS KNOWN...: prints the id of a mapped window none of KNOWN.
e2e_new_window() {
  local found="" known=" ${*:2} "
  e2e_wait "$1" 'found=$(e2e_program_windows | while read -r w; do
      [[ "$known" == *" $w "* ]] || { echo "$w"; break; }; done); [ -n "$found" ]' && echo "$found"
}

# e2e_gone WINDOW SECONDS
e2e_gone() {
  e2e_wait "$2" "! e2e_program_windows | grep -qx $1"
}

# e2e_window NAME SECONDS: the id of a mapped window named exactly NAME.
e2e_window() {
  local found="" name="$1"
  e2e_wait "$2" 'found=$(e2e_program_windows | while read -r w; do
      [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$name" ] && { echo "$w"; break; }; done)
      [ -n "$found" ]' && echo "$found"
}

e2e_window_names() {
  local w
  for w in $(e2e_program_windows); do printf "'%s' " "$(xdotool getwindowname "$w" 2>/dev/null)"; done
}

# e2e_saved FILE BYTES: waits for the file to hold exactly the bytes (a printf format).
e2e_saved() {
  local file="$1"
  printf "$2" >"$E2E_TMP/expected"
  e2e_wait 20 'cmp -s "$file" "$E2E_TMP/expected"' || e2e_fail "$file holds: $(od -An -c "$file" | tr -s ' ')"
}
