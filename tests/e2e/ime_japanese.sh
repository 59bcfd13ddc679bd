# Japanese through fcitx5 with Mozc: "nihongo" typed inside \section{}, converted and committed,
# is saved as 93 FA 96 7B 8C EA and nothing of the composition. Mozc's server refuses to run as
# root, so the input method and the program then run as nobody, on a bus of their own.
source "$(dirname "$0")/lib.sh"
if [ "${1:-}" = --session ]; then
  cd "$IME_DIR" || exit 1
  fail() { echo "$*" >session.err; exit 1; }
  fcitx5 -D --disable=wayland,waylandim,xim,ibusfrontend,fcitx4frontend,kimpanel,notificationitem >fcitx5.log 2>&1 &
  # fcitx5-remote before fcitx5 owns its name would start a second fcitx5 through D-Bus.
  e2e_wait 20 'dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
      org.freedesktop.DBus.NameHasOwner string:org.fcitx.Fcitx5 2>/dev/null | grep -q "boolean true"' ||
    fail "fcitx5 did not take its bus name: $(tail -n 3 fcitx5.log)"
  "$IME_MIREV" ime.tex >mirev.log 2>&1 &
  e2e_wait 30 'window=$(xdotool search --onlyvisible --name "^Mirev - \[ime\.tex" | head -n1); [ -n "$window" ]' ||
    fail "the program showed no window: $(tail -n 3 mirev.log)"
  xdotool windowfocus --sync "$window"
  e2e_wait 10 'state=$(fcitx5-remote); [ "$state" = 1 ] || [ "$state" = 2 ]' ||
    fail "fcitx5 sees no input context of the program (is fcitx5-frontend-qt6 installed?)"
  e2e_wait 10 'fcitx5-remote -o; [ "$(fcitx5-remote)" = 2 ]' || fail "fcitx5 did not switch Mozc on"
  xdotool key --delay 120 End Left n i h o n g o sleep 1 key space sleep 1 key --delay 300 Return ctrl+s
  e2e_wait 20 'cmp -s ime.tex expected' || fail "saved: $(od -An -tx1 ime.tex)"
  exit 0
fi

e2e_setup "$@"
for command in fcitx5 fcitx5-remote dbus-run-session dbus-send setpriv; do
  command -v "$command" >/dev/null || e2e_fail "$command is missing (scripts/deps.sh installs it)"
done

IME_DIR="$E2E_TMP/ime"
mkdir -p "$IME_DIR/home/.config/fcitx5" "$IME_DIR/run"
chmod 700 "$IME_DIR/run"
printf '%s\n' '[Groups/0]' 'Name=Default' 'Default Layout=us' 'DefaultIM=mozc' '[Groups/0/Items/0]' \
  'Name=keyboard-us' '[Groups/0/Items/1]' 'Name=mozc' '[GroupOrder]' '0=Default' >"$IME_DIR/home/.config/fcitx5/profile"
printf '\\section{}\r\nabc\r\n' >"$IME_DIR/ime.tex"
printf '\\section{\x93\xfa\x96\x7b\x8c\xea}\r\nabc\r\n' >"$IME_DIR/expected"
as=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 711 "$E2E_TMP"
  chown -R nobody:nogroup "$IME_DIR"
  as=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi

# Mozc's server leaves the session: every process carries this mark and is ended by its own id.
mark="E2E_IME_RUN=$$-$RANDOM$RANDOM"
ime_cleanup() {
  local environ pid
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    { [ "$pid" != $$ ] && tr '\0' '\n' <"$environ" | grep -qx "$mark" && kill -9 "$pid"; } 2>/dev/null
  done
  e2e_cleanup
}
trap ime_cleanup EXIT
env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$IME_DIR/home" XDG_CONFIG_HOME="$IME_DIR/home/.config" \
  XDG_RUNTIME_DIR="$IME_DIR/run" DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb QT_IM_MODULE=fcitx "$mark" \
  IME_DIR="$IME_DIR" IME_MIREV="$(readlink -f "$MIREV")" \
  "${as[@]}" timeout -k 5 120 dbus-run-session -- bash "$(readlink -f "$0")" --session 2>/dev/null ||
  e2e_fail "input method session: $(cat "$IME_DIR/session.err" 2>/dev/null || echo "timed out")"
echo "ok"
