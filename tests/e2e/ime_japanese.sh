# Japanese through a real input method, fcitx5 with Mozc: "nihongo" typed inside \section{}
# is composed and drawn at the caret, Space converts it, Return commits it, Ctrl+S saves
# 日本語 as 93 FA 96 7B 8C EA. Mozc's server refuses to run as root (fcitx5 then passes keys
# through unconverted), so the input method and the program run as nobody when started as
# root, with a private HOME, on a bus of their own. If the input method cannot start, the
# test fails and says why.
if [ "${1:-}" = --session ]; then
  # Inside dbus-run-session, as the run user, in $IME_DIR.
  cd "$IME_DIR" || exit 1
  fail() { echo "$*" >session.err; exit 1; }
  upto() {
    local deadline=$((SECONDS + $1))
    until eval "$2"; do
      [ $SECONDS -lt $deadline ] || return 1
      sleep 0.1
    done
  }
  fcitx5 -D --disable=wayland,waylandim,xim,ibusfrontend,fcitx4frontend,kimpanel,notificationitem >fcitx5.log 2>&1 &
  # fcitx5-remote before fcitx5 owns its name would start a second fcitx5 through D-Bus.
  upto 20 'dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
      org.freedesktop.DBus.NameHasOwner string:org.fcitx.Fcitx5 2>/dev/null | grep -q "boolean true"' ||
    fail "fcitx5 did not take its bus name: $(tail -n 3 fcitx5.log)"
  "$IME_MIREV" ime.tex >mirev.log 2>&1 &
  upto 30 'window=$(xdotool search --onlyvisible --name "^Mirev - \[ime\.tex" | head -n1); [ -n "$window" ]' ||
    fail "the program showed no window: $(tail -n 3 mirev.log)"
  xdotool windowfocus --sync "$window"
  upto 10 'state=$(fcitx5-remote); [ "$state" = 1 ] || [ "$state" = 2 ]' ||
    fail "fcitx5 sees no input context of the program (is fcitx5-frontend-qt6 installed?)"
  upto 10 'fcitx5-remote -o; [ "$(fcitx5-remote)" = 2 ]' || fail "fcitx5 did not switch Mozc on"
  xdotool key --delay 120 End Left n i h o n g o
  sleep 1
  "$IME_PROBE" grab composing.png || fail "no screenshot"
  xdotool key space
  sleep 1
  "$IME_PROBE" grab converted.png || fail "no screenshot"
  xdotool key --delay 300 Return ctrl+s
  upto 20 'cmp -s ime.tex expected' || fail "saved: $(od -An -tx1 ime.tex)"
  exit 0
fi

source "$(dirname "$0")/lib.sh"
e2e_setup "$@"
# Without the Qt front end the session below says so.
for command in fcitx5 fcitx5-remote dbus-run-session dbus-send setpriv; do
  command -v "$command" >/dev/null || e2e_fail "$command is missing (scripts/deps.sh installs it)"
done
[ -f /usr/share/fcitx5/addon/mozc.conf ] || e2e_fail "fcitx5-mozc is missing (scripts/deps.sh installs it)"

IME_DIR="$E2E_TMP/ime"
mkdir -p "$IME_DIR/home/.config/fcitx5" "$IME_DIR/run"
chmod 700 "$IME_DIR/run"
printf '%s\n' '[Groups/0]' 'Name=Default' 'Default Layout=us' 'DefaultIM=mozc' '[Groups/0/Items/0]' \
  'Name=keyboard-us' '[Groups/0/Items/1]' 'Name=mozc' '[GroupOrder]' '0=Default' >"$IME_DIR/home/.config/fcitx5/profile"
printf '%s\n' '[Behavior]' 'ActiveByDefault=False' 'ShareInputState=No' 'PreeditEnabledByDefault=True' \
  >"$IME_DIR/home/.config/fcitx5/config"
printf '\\section{}\r\nabc\r\n' >"$IME_DIR/ime.tex"
printf '\\section{\x93\xfa\x96\x7b\x8c\xea}\r\nabc\r\n' >"$IME_DIR/expected"
as=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 711 "$E2E_TMP"
  chown -R nobody:nogroup "$IME_DIR"
  as=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi

# Every process of the session carries this mark; Mozc's server leaves the session, so each
# is ended by its own id.
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
  IME_DIR="$IME_DIR" IME_MIREV="$(readlink -f "$MIREV")" IME_PROBE="$(readlink -f "$E2E_PROBE")" \
  "${as[@]}" timeout -k 5 120 dbus-run-session -- bash "$(readlink -f "$0")" --session 2>/dev/null ||
  e2e_fail "input method session: $(cat "$IME_DIR/session.err" 2>/dev/null || echo "timed out")"
cp "$IME_DIR"/*.png "$E2E_TMP/"

# Composing: にほんご in eight cells from column 9 (after "\section{") of the first row, with
# ink, the text background and Mozc's dashed underline; nothing right of it. Converting: 日本語
# in the selection colours in the same place.
pixels() { "$E2E_PROBE" find "$E2E_TMP/$1.png" "${@:2}" | cut -d' ' -f5; }
read -r mx my mw _ < <("$E2E_PROBE" find "$E2E_TMP/composing.png" 00FF00)
[ "${mw:-0}" -gt 0 ] || e2e_fail "no margin on the screen"
cell=$((mw / 2))
x=$((mx + mw + 9 * cell))
expect() { [ "$2" -ge "$3" ] || e2e_fail "$1 ($2 pixels)"; }
expect "no ink at the caret" "$(pixels composing dark $((x + cell)) "$my" $((7 * cell)) 18)" 40
expect "no text background under the composition" "$(pixels composing 80FFFF $((x + cell)) "$my" $((7 * cell)) 18)" 100
expect "no underline" "$(pixels composing dark "$x" $((my + 17)) $((8 * cell)) 1)" $((4 * cell))
[ "$(pixels composing dark $((x + 8 * cell + 2)) "$my" $((12 * cell)) 18)" -eq 0 ] || e2e_fail "ink right of the composition"
expect "no segment being converted" "$(pixels converted 0000FF "$x" "$my" $((6 * cell)) 18)" 100
echo "ok"
