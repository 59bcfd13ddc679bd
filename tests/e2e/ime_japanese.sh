# Japanese through a real input method (fcitx5 with Mozc): romaji typed inside \section{} are
# composed, drawn at the caret, converted with Space, committed with Return and saved; the
# file holds 日本語 as code page 932 bytes (93 FA 96 7B 8C EA).
#
# Mozc's server refuses to run as root and fcitx5 then passes keys through unconverted, so the
# input method and the program run as an unprivileged user (nobody when started as root)
# with a private HOME, on a session bus of their own. When the input method cannot start,
# the test fails and says why.
if [ "${1:-}" = --session ]; then
  # The session half: runs as the run user inside dbus-run-session, in $IME_DIR.
  set -u
  cd "$IME_DIR" || exit 1
  say() { echo "$*" >&2; }
  waitfor() {
    local deadline=$((SECONDS + $1))
    until eval "$2"; do
      [ $SECONDS -ge $deadline ] && return 1
      sleep 0.1
    done
  }
  fcitx5 -D --disable=wayland,waylandim,xim,ibusfrontend,fcitx4frontend,kimpanel,notificationitem,clipboard \
    >fcitx5.log 2>&1 &
  # Asking fcitx5-remote before fcitx5 owns its name would start a second one through D-Bus.
  waitfor 20 'dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
      org.freedesktop.DBus.NameHasOwner string:org.fcitx.Fcitx5 2>/dev/null | grep -q "boolean true"' ||
    { say "fcitx5 did not take its bus name within 20 s: $(tail -n 5 fcitx5.log)"; exit 1; }
  "$IME_MIREV" ime.tex >mirev.log 2>&1 &
  window=""
  waitfor 30 'window=$(xdotool search --onlyvisible --name "^Mirev - \[ime\.tex" 2>/dev/null | head -n1); [ -n "$window" ]' ||
    { say "the program showed no window: $(tail -n 5 mirev.log)"; exit 1; }
  xdotool windowfocus --sync "$window"
  # State 1 (off) or 2 (on): fcitx5 knows the program's input context.
  waitfor 10 'state=$(fcitx5-remote 2>/dev/null); [ "$state" = 1 ] || [ "$state" = 2 ]' ||
    { say "fcitx5 sees no input context of the program (is fcitx5-frontend-qt6 installed?)"; exit 1; }
  waitfor 10 'fcitx5-remote -o; [ "$(fcitx5-remote 2>/dev/null)" = 2 ]' ||
    { say "fcitx5 did not switch Mozc on: $(tail -n 5 fcitx5.log)"; exit 1; }
  # Into the braces, then "nihongo": composed, not yet in the document.
  xdotool key --delay 120 End Left n i h o n g o
  sleep 1
  "$IME_PROBE" grab composing.png || exit 1
  xdotool key space
  sleep 1
  "$IME_PROBE" grab converted.png || exit 1
  xdotool key --delay 300 Return ctrl+s
  waitfor 20 'cmp -s ime.tex expected' || { say "saved: $(od -An -tx1 ime.tex | tr -s ' ')"; exit 1; }
  touch session.done
  exit 0
fi

source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
e2e_use_probe "$2"

missing=()
for command in fcitx5 fcitx5-remote dbus-run-session dbus-send setpriv; do
  command -v "$command" >/dev/null || missing+=("$command")
done
[ -f /usr/share/fcitx5/addon/mozc.conf ] || missing+=("fcitx5-mozc")
compgen -G '/usr/lib/*/qt6/plugins/platforminputcontexts/libfcitx5platforminputcontextplugin.so' >/dev/null ||
  missing+=("fcitx5-frontend-qt6")
[ ${#missing[@]} -eq 0 ] ||
  e2e_fail "the input method cannot start, missing: ${missing[*]} (scripts/deps.sh installs fcitx5 fcitx5-mozc fcitx5-frontend-qt6 dbus)"

IME_DIR="$E2E_TMP/ime"
mkdir -p "$IME_DIR/home/.config/fcitx5" "$IME_DIR/run"
chmod 700 "$IME_DIR/run"
cat >"$IME_DIR/home/.config/fcitx5/profile" <<'PROFILE'
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=mozc

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=mozc
Layout=

[GroupOrder]
0=Default
PROFILE
cat >"$IME_DIR/home/.config/fcitx5/config" <<'CONFIG'
[Behavior]
ActiveByDefault=False
ShareInputState=No
PreeditEnabledByDefault=True
ShowInputMethodInformation=False
CONFIG
printf '\\section{}\r\nabc\r\n' >"$IME_DIR/ime.tex"
printf '\\section{\x93\xfa\x96\x7b\x8c\xea}\r\nabc\r\n' >"$IME_DIR/expected"

as=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 711 "$E2E_TMP"
  chown -R nobody:nogroup "$IME_DIR"
  as=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi

# Every process of the session carries this mark; Mozc's server leaves the session and is
# ended by its own id.
run_mark="E2E_IME_RUN=$$-$RANDOM$RANDOM"
ime_cleanup() {
  local environ pid
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    { [ "$pid" != "$$" ] && tr '\0' '\n' <"$environ" | grep -qx "$run_mark" && kill -9 "$pid"; } 2>/dev/null
  done
  e2e_cleanup
}
trap ime_cleanup EXIT

env -i PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 HOME="$IME_DIR/home" \
  XDG_CONFIG_HOME="$IME_DIR/home/.config" XDG_DATA_HOME="$IME_DIR/home/.local/share" \
  XDG_CACHE_HOME="$IME_DIR/home/.cache" XDG_RUNTIME_DIR="$IME_DIR/run" DISPLAY="$DISPLAY" \
  QT_QPA_PLATFORM=xcb QT_IM_MODULE=fcitx XMODIFIERS=@im=fcitx "$run_mark" \
  IME_DIR="$IME_DIR" IME_MIREV="$(readlink -f "$MIREV")" IME_PROBE="$(readlink -f "$E2E_PROBE")" \
  "${as[@]}" timeout -k 5 120 dbus-run-session -- bash "$(readlink -f "$0")" --session 2>"$E2E_TMP/session.err"
[ -f "$IME_DIR/session.done" ] || e2e_fail "input method session: $(grep -v 'fd limit' "$E2E_TMP/session.err")"
cp "$IME_DIR"/*.png "$E2E_TMP/"

# While composing: にほんご on the caret's row from column 9 (after "\section{"), eight cells
# with the view's text background, ink and the input method's underline (Mozc's is dashed);
# nothing right of it.
read -r mx my mw _ < <(e2e_box composing 00FF00) || e2e_fail "no margin on the screen"
cell=$((mw / 2))
row=18
x9=$((mx + mw + 9 * cell))
ink=$(e2e_count composing dark "$((x9 + cell))" "$my" "$((7 * cell))" "$row")
[ "$ink" -gt 40 ] || e2e_fail "no composition drawn at the caret (ink $ink in columns 10 to 16)"
back=$(e2e_count composing 80FFFF "$((x9 + cell))" "$my" "$((7 * cell))" "$row")
[ "$back" -gt 100 ] || e2e_fail "the composition has no text background ($back pixels)"
underline=$(e2e_count composing dark "$x9" "$((my + row - 1))" "$((8 * cell))" 1)
[ "$underline" -ge $((8 * cell / 2)) ] || e2e_fail "the composition is not underlined ($underline pixels)"
beyond=$(e2e_count composing dark "$((x9 + 8 * cell + 2))" "$my" "$((12 * cell))" "$row")
[ "$beyond" -eq 0 ] || e2e_fail "ink right of the composition ($beyond pixels)"
# Converting: the segment 日本語 shown in the selection colours at the same place.
converting=$(e2e_count converted 0000FF "$x9" "$my" "$((6 * cell))" "$row")
[ "$converting" -gt 100 ] || e2e_fail "the segment being converted is not shown ($converting pixels)"
echo "ok"
