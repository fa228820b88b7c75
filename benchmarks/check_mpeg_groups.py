#!/usr/bin/env python3
"""Checks the "MPEG" module's encoding on several contexts (closed groups of pictures taken in
turn, joined in order) against its single context, on the anchor timeline (two 10-second PAL DV
clips with a 1-second cross-fade, 475 frames) in each profile.

The single context is what the module does on one core (taskset -c <one core>); the contexts
are what it does on the cores given (4 or more). For both files the script prints: the muxer's
"buffer underflow" warnings, the video's average and largest one-second bit rate, the lowest
occupancy of a decoder buffer of the profile's size filled at its maximum rate from three
quarters full (negative: it ran dry; VCD's constant rate is paced otherwise, so there it counts
against the single context's), frame count, group lengths, open groups, field order,
decoding errors over the whole file, and the change of PSNR against the source (made by
ffmpeg: its own cross-fade and scaler, so only differences count) from the single context to the
several, of the pictures on either side of every join between contexts and of those inside.
It exits 1 when the contexts miss a limit: an underflow warning, an average rate more than 5 %
off, a buffer that runs drier than the single context's and dry, another frame count, group structure or field order, a decoding
error, or pictures at the joins that lose more than 1 dB beyond what those inside lose (in the
mean or at worst).

Usage: benchmarks/check_mpeg_groups.py <build folder> <A.avi> <B.avi> [profiles, default
vcd,svcd,dvd] [cores for the contexts, default 2-7]
"""
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile

PROFILES = {  # width, height, maximum video rate, buffer size in bits
    "vcd": (352, 288, 1150000, 40 * 1024 * 8),
    "svcd": (480, 576, 2516000, 224 * 1024 * 8),
    "dvd": (720, 576, 8000000, 224 * 1024 * 8),
}
RATE = 25
GROUP = 13  # the closed groups the PAL profiles' encoder forms


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def export(bench, a, b, profile, out, cores, work):
    env = dict(os.environ, XDG_CONFIG_HOME=work + "/config", XDG_CACHE_HOME=work + "/cache")
    done = run(["taskset", "-c", cores, bench, "anchor", a, b, profile, out], env=env)
    if done.returncode != 0:
        sys.exit(f"export failed: {done.stderr}")
    return len(re.findall(r"buffer underflow", done.stderr))


def video_packets(path):
    out = run(["ffprobe", "-v", "error", "-select_streams", "v", "-show_entries",
               "packet=size,dts", "-of", "json", path]).stdout
    return [(int(p["dts"]), int(p["size"])) for p in json.loads(out)["packets"]]


def frames(path):
    out = run(["ffprobe", "-v", "error", "-select_streams", "v", "-show_entries",
               "frame=pict_type,interlaced_frame,top_field_first", "-of", "json", path]).stdout
    return json.loads(out)["frames"]


def open_groups(path, work):
    es = work + "/video.es"
    run(["ffmpeg", "-v", "error", "-y", "-i", path, "-map", "0:v", "-c", "copy", "-f", "rawvideo",
         es])
    data = open(es, "rb").read()
    groups = [m.start() for m in re.finditer(b"\x00\x00\x01\xb8", data)]
    return len(groups), sum(1 for g in groups if not (data[g + 7] >> 6) & 1)


def lowest_buffer(packets, max_rate, size):
    packets = sorted(packets)
    level, lowest, last = size * 3 / 4, size, packets[0][0]
    for dts, bytes_ in packets:
        level = min(size, level + max_rate * (dts - last) / 90000)
        last = dts
        level -= bytes_ * 8
        lowest = min(lowest, level)
    return lowest


def psnr(path, a, b, width, height, work):
    stats = work + "/psnr.txt"
    graph = (f"[1:v][2:v]xfade=transition=fade:duration=1:offset=9,scale={width}:{height},"
             "format=yuv420p,setpts=PTS-STARTPTS[ref];[0:v]setpts=PTS-STARTPTS[out];"
             f"[out][ref]psnr=stats_file={stats}")
    run(["ffmpeg", "-v", "error", "-i", path, "-i", a, "-i", b, "-filter_complex", graph, "-f",
         "null", "-"])
    return [float(re.search(r"psnr_avg:(\S+)", line).group(1)) for line in open(stats)]


def joins():
    """The pictures on either side of every join between contexts (each group's start)."""
    return {i for start in range(GROUP, 475, GROUP) for i in (start - 1, start)}


def measure(path, underflows, profile, a, b, work):
    width, height, max_rate, size = PROFILES[profile]
    packets = video_packets(path)
    pictures = frames(path)
    seconds = len(pictures) / RATE
    ordered = sorted(packets)
    window = [sum(s for _, s in ordered[i:i + RATE]) * 8 for i in range(len(ordered))]
    types = "".join(f["pict_type"] for f in pictures)
    groups, open_count = open_groups(path, work)
    # The null muxer's own complaints about the timestamps it is handed are no decoding errors.
    errors = [line for line in run(["ffmpeg", "-v", "error", "-i", path, "-f", "null", "-"])
              .stderr.splitlines() if "[null @" not in line]
    return {
        "underflows": underflows,
        "average": round(sum(s for _, s in packets) * 8 / seconds),
        "largest_second": max(window),
        "lowest_buffer": lowest_buffer(packets, max_rate, size),
        "frames": len(pictures),
        "groups": sorted({len(g) + 1 for g in types.split("I")[1:]}),
        "group_count": groups,
        "open_groups": open_count,
        "fields": sorted({(f["interlaced_frame"], f["top_field_first"]) for f in pictures}),
        "decoding_errors": len(errors),
        "psnr": psnr(path, a, b, width, height, work),
    }


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    bench = os.path.join(sys.argv[1], "bin", "bench_timeline")
    a, b = os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
    profiles = (sys.argv[4] if len(sys.argv) > 4 else "vcd,svcd,dvd").split(",")
    cores = sys.argv[5] if len(sys.argv) > 5 else "2-7"
    one_core = re.split(r"[-,]", cores)[0]
    failed = False
    with tempfile.TemporaryDirectory() as work:
        os.makedirs(work + "/config")
        os.makedirs(work + "/cache")
        for profile in profiles:
            one, several = work + "/one.mpg", work + "/several.mpg"
            s = measure(one, export(bench, a, b, profile, one, one_core, work), profile, a, b,
                        work)
            r = measure(several, export(bench, a, b, profile, several, cores, work), profile, a,
                        b, work)
            # How much the pictures at the joins lose against the single context's, beside
            # how much those inside the groups do (two encodings differ everywhere a little).
            change = [y - x for x, y in zip(s.pop("psnr"), r.pop("psnr"))]
            at = [change[i] for i in sorted(joins()) if i < len(change)]
            inside = [c for i, c in enumerate(change) if i not in joins()]
            s["psnr_change_db"] = "-"
            r["psnr_change_db"] = (f"joins mean {statistics.mean(at):+.2f} worst {min(at):+.2f}, "
                                   f"inside mean {statistics.mean(inside):+.2f} worst "
                                   f"{min(inside):+.2f}")
            print(f"{profile}:")
            for key in s:
                print(f"  {key:18} one context {s[key]!s:26} several {r[key]!s}")
            misses = [key for key in ("frames", "groups", "open_groups", "fields")
                      if r[key] != s[key]]
            if r["underflows"]:
                misses.append("underflow warnings")
            if abs(r["average"] / s["average"] - 1) > 0.05:
                misses.append(f"average rate {100 * (r['average'] / s['average'] - 1):+.1f} %")
            # The model fills at the maximum rate; a constant-rate stream (VCD) is paced
            # otherwise, so its level counts against the single context's.
            if r["lowest_buffer"] < min(0, s["lowest_buffer"]):
                misses.append("decoder buffer ran dry")
            if r["decoding_errors"]:
                misses.append("decoding errors")
            if statistics.mean(at) < statistics.mean(inside) - 1.0 or min(at) < min(inside) - 1.0:
                misses.append("PSNR at the joins")
            change = 100 * (r["average"] / s["average"] - 1)
            print(f"  average rate {change:+.1f} %; " +
                  ("limits held" if not misses else "missed: " + ", ".join(misses)))
            failed = failed or bool(misses)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
