#!/usr/bin/env bash
# Makes the two spoken cue clips, audition/cues/mark_start.wav ("开始") and
# audition/cues/mark_end.wav ("结束"), with espeak-ng's Mandarin voice and sox.
#
# Layout of each file, 42,718 bytes: "RIFF", size 42,710, "WAVE"; an 18-byte "fmt "
# chunk (PCM, 1 channel, 22,050 Hz, 44,100 bytes/s, align 2, 16 bits, extra size 0);
# a "data" chunk of exactly 41,360 bytes (the speech, its leading silence cut, padded or
# cut to fit); an "EVNT" chunk of 1,304 bytes holding a short note, then zeros.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p audition/cues
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

readonly data_bytes=41360
readonly evnt_bytes=1304

le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)); }
le32() {
  printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) \
    $((($1 >> 16) & 255)) $((($1 >> 24) & 255))
}

make_cue() {
  local text=$1 target=$2
  espeak-ng -v cmn -s 190 -w "$work/raw.wav" "$text"
  # Raw 16-bit mono samples at 22,050 Hz: cut the leading silence so the cue sounds at
  # once, bring it to a steady level, then pad with silence or cut to the exact length.
  sox -R "$work/raw.wav" -r 22050 -c 1 -b 16 -e signed-integer -t raw "$work/speech.raw" \
    silence 1 0.005 0.5% norm -3 pad 0 1
  head -c "$data_bytes" "$work/speech.raw" >"$work/data.raw"
  [ "$(stat -c %s "$work/data.raw")" -eq "$data_bytes" ] || { echo "speech too short" >&2; exit 1; }

  local note="ywf cue \"$text\": espeak-ng voice cmn, made by tools/make_cues.sh"
  {
    printf 'RIFF'; printf "$(le32 $((4 + 8 + 18 + 8 + data_bytes + 8 + evnt_bytes)))"; printf 'WAVE'
    printf 'fmt '; printf "$(le32 18)"
    printf "$(le16 1)$(le16 1)$(le32 22050)$(le32 44100)$(le16 2)$(le16 16)$(le16 0)"
    printf 'data'; printf "$(le32 $data_bytes)"
    cat "$work/data.raw"
    printf 'EVNT'; printf "$(le32 $evnt_bytes)"
    printf '%s' "$note"
    head -c $((evnt_bytes - $(printf '%s' "$note" | wc -c))) /dev/zero
  } >"$target"
  [ "$(stat -c %s "$target")" -eq 42718 ] || { echo "$target has the wrong size" >&2; exit 1; }
}

make_cue "开始" audition/cues/mark_start.wav
make_cue "结束" audition/cues/mark_end.wav
ls -l audition/cues
