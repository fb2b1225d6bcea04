#!/usr/bin/env bash
# End to end through the real binary on a bare Xvfb: an MP3 cut prepared with the
# system-wide hotkeys while another program (xev) has the keyboard focus.
#
# The MP3 is faint noise, far below the cue clips, and SDL's disk driver writes what is
# played to a file, so a cue shows as loud samples there. Checked: the four Shift+letter
# combinations never reach the focused program; Shift+U and Shift+O each play a cue; the
# cut through the real dialogs writes a non-empty slice of the source that starts after
# its beginning.
# Usage: hotkeys_e2e.sh path/to/yinwen
set -euo pipefail
tool=${1:?usage: $0 path/to/yinwen}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=xvfb_session.sh
. "$here/xvfb_session.sh"

work=$(mktemp -d)
xev_pid=""
cleanup() {
    if [ -n "$xev_pid" ] && kill -0 "$xev_pid" 2>/dev/null; then kill "$xev_pid"; fi
    stop_session
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/src" "$work/out"

# The output device: 44.1 kHz stereo 32-bit float, so one second is this many bytes.
second_bytes=$((44100 * 2 * 4))
cue_level=0.05

# Ten seconds of faint noise, so that every frame differs and the slice is found at one
# place only.
sox -n -r 44100 -c 1 -b 16 "$work/noise.wav" synth 10 whitenoise vol 0.003
lame --quiet -b 64 "$work/noise.wav" "$work/src/noise.mp3"
src="$work/src/noise.mp3"
src_len=$(stat -c %s "$src")

audio="$work/played.raw"
audio_bytes() { stat -c %s "$audio" 2>/dev/null || echo 0; }
audio_reaches() { [ "$(audio_bytes)" -ge "$1" ]; }
# True when a sample at or after byte offset $1 of the played sound is louder than
# cue_level. awk reads to the end: an early exit would fail the pipe (pipefail).
loud_after() {
    tail -c +$(($1 + 1)) "$audio" | od -An -v -tf4 |
        awk -v level="$cue_level" '!found { for (i = 1; i <= NF; i++) if ($i > level || $i < -level) found = 1 }
                                   END { exit !found }'
}
# Byte offset of the sound played so far, rounded down to a whole frame.
audio_mark() { local n; n=$(audio_bytes); echo $((n / 8 * 8)); }

start_xvfb
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio" QT_QPA_PLATFORM=xcb \
    "$tool" >"$work/tool.log" 2>&1 &
tool_pid=$!
tool_failed() { cat "$work/tool.log" >&2; fail "$@"; }

# The other program: xev logs each key that reaches its window.
stdbuf -oL xev -name "hotkeys-other" -geometry 300x200+600+400 -event keyboard \
    >"$work/xev.log" 2>&1 &
xev_pid=$!
xev_got() { grep -q "(keysym $1," "$work/xev.log"; }

# Load the MP3: from 编辑框1 four tabs reach 按钮1 "打开文件..." (MP3 mode is the default).
focus_window "音文分段器" >/dev/null
keys Tab Tab Tab Tab space
focus_window "请选择您要截取的MP3文件" >/dev/null
type_path_and_enter "$src"
wait_until window_gone "请选择您要截取的MP3文件" || tool_failed "file dialog did not close"

# Play with Ctrl+P; the focus then goes to the other program.
focus_window "音文分段器" >/dev/null
played_from=$(audio_mark)
keys ctrl+p
focus_window "hotkeys-other" >/dev/null
keys x
wait_until xev_got 0x78 || fail "xev does not see plain keys"

# Both seeks, while it plays: each restarts the player one percent away.
keys shift+r shift+w

# Shift+U after two seconds of playing: the start mark and its cue.
wait_until audio_reaches $((played_from + 2 * second_bytes)) || tool_failed "no sound is played"
loud_after 0 && fail "the MP3 alone is already as loud as a cue"
start_at=$(audio_mark)
keys shift+u
wait_until loud_after "$start_at" || tool_failed "Shift+U played no cue"
echo "Shift+U: cue heard"

# Shift+O three seconds later, when the first cue (under a second) is over.
wait_until audio_reaches $((start_at + 3 * second_bytes)) || tool_failed "playing stopped"
end_at=$(audio_mark)
loud_after "$end_at" && fail "the first cue is still sounding"
keys shift+o
wait_until loud_after "$end_at" || tool_failed "Shift+O played no cue"
echo "Shift+O: cue heard"

# None of the four combinations reached the focused program; a later plain key did.
keys y
wait_until xev_got 0x79 || fail "xev lost the focus"
for sym in 0x57 0x52 0x55 0x4f; do # W R U O
    xev_got "$sym" && fail "a hotkey (keysym $sym) reached the focused program"
done
echo "hotkeys: taken from the focused program"

# Cut with 按钮2 (one tab after 按钮1, which kept the focus) into the chosen folder.
focus_window "音文分段器" >/dev/null
keys Tab space
focus_window "请选择保存路径" >/dev/null
type_path_and_enter "$work/out"
focus_window "信息：" >/dev/null
keys Return
wait_until window_gone "信息：" || tool_failed "success message did not close"

# One file, "<second>noise.mp3", holding source bytes [start, start + length).
out_files() { ls "$work/out"; }
has_output() { [ -n "$(out_files)" ]; }
wait_until has_output || fail "no output file"
[ "$(out_files | wc -l)" -eq 1 ] || fail "unexpected files: $(out_files | tr '\n' ' ')"
name=$(out_files)
[[ "$name" =~ ^[0-9]{1,2}noise\.mp3$ ]] || fail "unexpected output name $name"
out="$work/out/$name"
out_len=$(stat -c %s "$out")
[ "$out_len" -gt 0 ] || fail "the cut is empty"

# Hex with a space before every byte, so that a match always starts on a byte.
hex() { od -An -v -tx1 "$1" | tr -d '\n'; }
src_hex=$(hex "$src")
out_hex=$(hex "$out")
[[ "$src_hex" == *"$out_hex"* ]] || fail "the cut is not a slice of the source"
before=${src_hex%%"$out_hex"*}
start=$((${#before} / 3))
echo "cut: bytes $start..$((start + out_len)) of $src_len"
[ "$start" -gt 0 ] || fail "the cut starts at the beginning: the start mark was not moved"
[ $((start + out_len)) -le "$src_len" ] || fail "the cut runs past the end"
# Three seconds between the marks of a ten-second file: well over a tenth of it.
[ $((out_len * 10)) -ge "$src_len" ] || fail "the cut is too short ($out_len bytes)"

# SIGTERM closes the window through the usual shut-down, releasing the hotkeys.
kill -TERM "$tool_pid"
status=0
wait "$tool_pid" || status=$?
tool_pid=""
[ "$status" -eq 0 ] || tool_failed "tool exited with $status"
echo "PASS"
