#!/usr/bin/env bash
# End to end through the real window on a bare Xvfb: a TXT split at N bytes, then (after
# unloading) an equal-parts split, each through the real file and folder dialogs, with the
# output checked byte for byte and the success message seen and dismissed.
# Usage: text_split_e2e.sh path/to/yinwen
set -euo pipefail
tool=${1:?usage: $0 path/to/yinwen}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=xvfb_session.sh
. "$here/xvfb_session.sh"

work=$(mktemp -d)
trap 'stop_session; rm -rf "$work"' EXIT
mkdir -p "$work/src" "$work/out" "$work/parts"
printf 'Hello, 世界! line one\nline two\n' >"$work/src/sample.txt"
# 101 bytes with a zero byte in them: equal parts copy bytes, not text.
{ printf 'part-one-'; printf '\000'; head -c 91 /dev/zero | tr '\0' 'x'; } >"$work/src/data.txt"

start_xvfb
QT_QPA_PLATFORM=xcb "$tool" >"$work/tool.log" 2>&1 &
tool_pid=$!

main=$(focus_window "音文分段器")
# The focus starts in 编辑框1. Type the length, then Tab to 单选框1 and Down to TXT mode.
type_text "5"
keys Tab Tab Down Tab space  # ... 单选框2, then 按钮1 "打开文件..."

focus_window "请选择您要切割的TXT文件" >/dev/null
type_path_and_enter "$work/src/sample.txt"
wait_until window_gone "请选择您要切割的TXT文件" || fail "file dialog did not close"

focus_window "音文分段器" >/dev/null
keys Tab space  # 按钮2 "截取/切割"
focus_window "请选择保存路径" >/dev/null
type_path_and_enter "$work/out"

focus_window "信息：" >/dev/null
keys Return
wait_until window_gone "信息：" || fail "success message did not close"

wait_until test -f "$work/out/2sample.txt" || fail "no output files"
cmp <(head -c 5 "$work/src/sample.txt") "$work/out/1sample.txt" || fail "1sample.txt differs"
cmp <(tail -c +6 "$work/src/sample.txt") "$work/out/2sample.txt" || fail "2sample.txt differs"
[ "$(ls "$work/out" | wc -l)" -eq 2 ] || fail "unexpected files in $work/out"
echo "TXT split: ok"

# Equal parts. The focus is back on 按钮2; 按钮3 unloads and unlocks the controls.
focus_window "音文分段器" >/dev/null
keys Tab space Tab Tab  # 按钮3, then 按钮4, then 编辑框1
keys ctrl+a
type_text "3"
keys Tab space Tab Tab Tab space  # tick 选择框1, pass both radio buttons, 按钮1

focus_window "请选择您要切割的TXT文件" >/dev/null
type_path_and_enter "$work/src/data.txt"
wait_until window_gone "请选择您要切割的TXT文件" || fail "file dialog did not close"

focus_window "音文分段器" >/dev/null
keys Tab space  # 按钮2
focus_window "请选择保存路径" >/dev/null
type_path_and_enter "$work/parts"
focus_window "信息：" >/dev/null
keys Return
wait_until window_gone "信息：" || fail "success message did not close"

wait_until test -f "$work/parts/3data.txt" || fail "no part files"
src="$work/src/data.txt"
cmp <(head -c 33 "$src") "$work/parts/1data.txt" || fail "part 1 differs"
cmp <(tail -c +34 "$src" | head -c 33) "$work/parts/2data.txt" || fail "part 2 differs"
cmp <(tail -c +67 "$src") "$work/parts/3data.txt" || fail "part 3 differs"
[ "$(ls "$work/parts" | wc -l)" -eq 3 ] || fail "unexpected files in $work/parts"
echo "equal parts: ok"

# SIGTERM closes the window through the usual shut-down and the tool exits cleanly.
kill -TERM "$tool_pid"
status=0
wait "$tool_pid" || status=$?
tool_pid=""
[ "$status" -eq 0 ] || { cat "$work/tool.log" >&2; fail "tool exited with $status"; }
echo "PASS"
