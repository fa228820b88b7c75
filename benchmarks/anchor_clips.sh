#!/usr/bin/env bash
# Makes the anchor timeline's two clips in the folder $1: A.avi (a test pattern with a 440 Hz
# tone) and B.avi (colour bars with an 880 Hz tone), 10 seconds of 720 x 576 25 fps DV with
# 48 kHz stereo sound each. Sourced or run by the benchmark scripts.
set -euo pipefail
command -v ffmpeg >/dev/null || { echo "ffmpeg is not installed (apt-get install ffmpeg)"; exit 1; }
clip() { # folder, name, video source, tone
    ffmpeg -v error -y -f lavfi -i "$3=size=720x576:rate=25:duration=10" \
        -f lavfi -i "sine=frequency=$4:sample_rate=48000:duration=10" \
        -c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le -ac 2 -ar 48000 "$1/$2.avi"
}
clip "$1" A testsrc 440
clip "$1" B smptebars 880
