#!/usr/bin/env bash
# Makes the MP3 test fixtures in tests/fixtures/mp3/ and the sample in samples/.
# Needs lame, espeak-ng, sox and python3 (standard library only). The results are
# committed; run this only to make them again. Encoder versions change the bytes, so the
# expected values in tests/platform/audio/mp3_scan_test.cpp may need updating afterwards
# (the script prints the facts the tests check).
set -euo pipefail
cd "$(dirname "$0")/.."
out=tests/fixtures/mp3
mkdir -p "$out" samples
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

lame_q() { lame --quiet --noreplaygain "$@"; }

# Sources: a steady tone (stereo, 44.1 kHz) and Mandarin speech.
sox -R -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 4 sine 440 vol 0.5
espeak-ng -v cmn -w "$work/speech_raw.wav" "一二三四五六七八九十，十一，十二，十三，十四，十五"
sox -R "$work/speech_raw.wav" -r 44100 -c 2 "$work/speech.wav" trim 0 5
sox -R -n -r 11025 -c 1 -b 16 "$work/tone11.wav" synth 6 sine 330 vol 0.5

# CBR without a VBR header: T comes from the file size.
lame_q -t -b 32 -m m --resample 44.1 "$work/tone.wav" "$out/cbr_mono_44k.mp3"
# CBR with an Info header (it carries a seek table) behind an ID3v2.3 tag.
lame_q -b 64 -m j --resample 44.1 --id3v2-only --tt "Fixture" --ta "ywf" "$work/tone.wav" "$out/cbr_stereo_44k_info_id3.mp3"
# VBR with a Xing header and seek table.
lame_q -V 6 -m j "$work/speech.wav" "$out/vbr_stereo_44k_xing.mp3"
# MPEG-2 (22.05 kHz) VBR, mono.
lame_q -V 7 -m m --resample 22.05 "$work/speech.wav" "$out/vbr_mono_22k_mpeg2.mp3"
# MPEG-2.5 (11.025 kHz) CBR without a header, mono.
lame_q -t -b 16 -m m "$work/tone11.wav" "$out/cbr_mono_11k_mpeg25.mp3"
# MPEG-1 at 48 kHz with a CRC on every frame, with an Info header.
lame_q -p -b 48 -m m --resample 48 "$work/tone.wav" "$out/cbr_mono_48k_crc.mp3"

python3 - "$out" <<'PY'
import os, random, struct, sys

out = sys.argv[1]
rates = {3: [44100, 48000, 32000], 2: [22050, 24000, 16000], 0: [11025, 12000, 8000]}
l3 = {3: [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
      2: [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160]}

def header(b, at):
    """Layer III header facts at `at`, or None."""
    if at + 4 > len(b) or b[at] != 0xFF or (b[at + 1] & 0xE0) != 0xE0:
        return None
    ver = (b[at + 1] >> 3) & 3
    if ver == 1 or ((b[at + 1] >> 1) & 3) != 1:
        return None
    bi, ri, pad = b[at + 2] >> 4, (b[at + 2] >> 2) & 3, (b[at + 2] >> 1) & 1
    if bi in (0, 15) or ri == 3:
        return None
    rate = rates[ver][ri]
    br = l3[3 if ver == 3 else 2][bi] * 1000
    length = (144 if ver == 3 else 72) * br // rate + pad
    mono = (b[at + 3] >> 6) == 3
    side = (17 if mono else 32) if ver == 3 else (9 if mono else 17)
    return dict(length=length, rate=rate, side=side, crc=(b[at + 1] & 1) == 0)

def id3_size(b):
    if b[:3] != b"ID3":
        return 0
    size = 0
    for x in b[6:10]:
        size = (size << 7) | x
    return 10 + size + (10 if b[5] & 0x10 else 0)

def chain(b, at):
    """Offsets of the frames that follow each other from `at` on."""
    starts = []
    while True:
        h = header(b, at)
        if not h:
            return starts
        starts.append(at)
        at += h["length"]

def frames(b, at):
    return len(chain(b, at))

def start_for(b, first, length, nbytes, toc, p):
    """Where playback starts at p percent: the seek table or the size rule, then the next
    frame of the chain."""
    if toc:
        span = nbytes if nbytes and nbytes <= len(b) - first else len(b) - first
        guess = first + span * toc[p] // 256
    else:
        guess = max(len(b) * p // 100 // length * length, first)
    return next((s for s in chain(b, first) if s >= guess), len(b))

def facts(name):
    b = open(os.path.join(out, name), "rb").read()
    at = id3_size(b)
    while at < len(b) and not (header(b, at) and header(b, at + header(b, at)["length"])):
        at += 1
    if at >= len(b):
        print(f"{name}: no frame, size {len(b)}")
        return
    h = header(b, at)
    x = at + 4 + h["side"]
    tag = b[x:x + 4]
    info = f"{name}: size {len(b)} first {at} length {h['length']} rate {h['rate']}"
    nbytes = toc = None
    if tag in (b"Xing", b"Info"):
        flags = struct.unpack(">I", b[x + 4:x + 8])[0]
        f = x + 8
        count = struct.unpack(">I", b[f:f + 4])[0] if flags & 1 else None
        f += 4 if flags & 1 else 0
        nbytes = struct.unpack(">I", b[f:f + 4])[0] if flags & 2 else None
        f += 4 if flags & 2 else 0
        toc = list(b[f:f + 100]) if flags & 4 else None
        info += f" {tag.decode()} frames {count} bytes {nbytes} toc {toc is not None}"
        if toc:
            info += f" toc10 {toc[10]} toc50 {toc[50]} toc90 {toc[90]}"
    elif b[at + 36:at + 40] == b"VBRI":
        info += " VBRI frames %d" % struct.unpack(">I", b[at + 50:at + 54])[0]
    info += f" counted {frames(b, at)} starts"
    for p in (1, 10, 50, 99):
        info += f" {p}:{start_for(b, at, h['length'], nbytes, toc, p)}"
    print(info)

def read(name):
    return open(os.path.join(out, name), "rb").read()

def write(name, data):
    open(os.path.join(out, name), "wb").write(data)

# VBRI: a silent frame carrying a VBRI header, put in front of a header-less CBR file.
cbr = read("cbr_mono_44k.mp3")
first = header(cbr, 0)
count = frames(cbr, 0)
frame = bytearray(104)  # 32 kbit/s, 44.1 kHz, no padding
frame[0:4] = bytes([cbr[0], cbr[1], cbr[2] & ~0x02, cbr[3]])
vbri = b"VBRI" + struct.pack(">HHHIIHHHH", 1, 0, 75, len(cbr) + len(frame), count + 1, 0, 1, 2, 0)
frame[36:36 + len(vbri)] = vbri
write("vbri_mono_44k.mp3", bytes(frame) + cbr)

# An ID3v2.4 tag with a footer, then junk, then the frames.
body = b"TXXX" + struct.pack(">I", 12) + b"\x00\x00" + b"\x03note\x00fixt\x00\x00"
def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])
tag = b"ID3\x04\x00\x10" + syncsafe(len(body)) + body + b"3DI\x04\x00\x10" + syncsafe(len(body))
junk = (b"junk before the first frame; " * 12)[:300]
write("id3v24_footer_junk.mp3", tag + junk + cbr)

# Not MP3 at all: text and random bytes without a single 0xFF.
rng = random.Random(20261211)
garbage = b"This is not an MP3 file.\n" * 8 + bytes(rng.choice(range(255)) for _ in range(6000))
write("garbage.mp3", garbage)

# Cut short in the middle of a frame.
vbr = read("vbr_stereo_44k_xing.mp3")
write("truncated.mp3", vbr[: len(vbr) * 6 // 10 + 37])

# A valid start followed by random bytes.
start = 0
for _ in range(20):
    start += header(cbr, start)["length"]
tail = bytes(rng.randrange(256) for _ in range(20000))
write("garbage_tail.mp3", cbr[:start] + tail)

write("empty.mp3", b"")

for name in sorted(os.listdir(out)):
    if name.endswith(".mp3"):
        facts(name)
PY

# The sample: counting from 1 to 100 in Mandarin, to hear where one is while marking.
numbers=$(seq -s '，' 1 100)
espeak-ng -v cmn -s 150 -w "$work/count.wav" "$numbers"
lame_q -b 16 -m m --resample 16 "$work/count.wav" samples/counting_1_to_100.mp3
ls -l "$out" samples
