#!/usr/bin/env python3
"""Writes the hand-made seed inputs of fuzz/corpus/ (run by hand from the source tree; the output is kept in
git).  Each reader gets the program's own small data files and a few edge cases: a picture of one pixel, rows
that need padding, the largest fields a header may hold, Windows line ends, names at their full width."""
import os
import shutil
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")
MARK = b"<|>"


def put(target, name, data):
    os.makedirs(os.path.join(CORPUS, target), exist_ok=True)
    with open(os.path.join(CORPUS, target, name), "wb") as f:
        f.write(data)


def copy(target, source, name=None):
    put(target, name or os.path.basename(source), open(os.path.join(ROOT, source), "rb").read())


def fixed(text, width):
    raw = text.encode()[:width]
    return raw + b"\0" * (width - len(raw))


# --- pictures -------------------------------------------------------------------------------------------

def bmp(width, height, bits=24, palette=0, image_size=0, pixel=b"\x10\x20\x30"):
    stride = (width * 3 + 3) // 4 * 4
    rows = b"".join((pixel * width).ljust(stride, b"\0") for _ in range(abs(height)))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 0, 0, palette, 0)
    header = b"BM" + struct.pack("<IHHI", 54 + palette + len(rows), 0, 0, 54 + palette)
    return header + info + b"\xaa" * palette + rows


def tga(width, height, bits=24, image_type=2, top=False, image_id=b""):
    header = struct.pack("<BBBHHBHHHHBB", len(image_id), 0, image_type, 0, 0, 0, 0, 0, width, height, bits,
                         0x20 if top else 0)
    pixel = bytes(range(1, bits // 8 + 1))
    return header + image_id + pixel * (width * height)


# --- models ---------------------------------------------------------------------------------------------

def md3(frames=2, tags=("tag_torso",), surfaces=(("l_legs", 3, (0, 1, 2)),), name="seed"):
    out = b"IDP3" + struct.pack("<i", 15) + fixed(name, 64) + struct.pack("<i", 0)
    ofs_frames = 108
    ofs_tags = ofs_frames + frames * 56
    ofs_surfaces = ofs_tags + frames * len(tags) * 112
    out += struct.pack("<8i", frames, len(tags), len(surfaces), 0, ofs_frames, ofs_tags, ofs_surfaces, 0)
    for f in range(frames):
        out += struct.pack("<10f", *([float(f)] * 10)) + fixed("frame%d" % f, 16)
    for f in range(frames):
        for t, tag in enumerate(tags):
            out += fixed(tag, 64) + struct.pack("<12f", f, t, 1, 1, 0, 0, 0, 1, 0, 0, 0, 1)
    for mesh, verts, indices in surfaces:
        tris = len(indices) // 3
        ofs_tri = 108
        ofs_shader = ofs_tri + tris * 12
        ofs_st = ofs_shader + 68
        ofs_xyz = ofs_st + verts * 8
        ofs_end = ofs_xyz + verts * frames * 8
        out += b"IDP3" + fixed(mesh, 64) + struct.pack("<10i", 0, frames, 1, verts, tris, ofs_tri, ofs_shader,
                                                        ofs_st, ofs_xyz, ofs_end)
        out += struct.pack("<%di" % len(indices), *indices)
        out += fixed("shader", 64) + struct.pack("<i", 0)
        out += b"".join(struct.pack("<ff", v / 4, v / 8) for v in range(verts))
        out += b"".join(struct.pack("<hhhBB", 64 * f + v, 2 * v, -v, v, f) for f in range(frames)
                        for v in range(verts))
    return out


def animation(rows=26, first=0, count=2, rate=10, line_end="\n"):
    lines = ["// seed", "sex\tm", ""]
    lines += ["%d\t%d\t0\t%d\t\t// row %d" % (first, count, rate, r) for r in range(rows)]
    return line_end.join(lines).encode() + line_end.encode()


def main():
    for name in ("button_s.bmp",):
        copy("bmp", "data/" + name)
    put("bmp", "one-pixel.bmp", bmp(1, 1))
    put("bmp", "padded-rows-3x2.bmp", bmp(3, 2))
    put("bmp", "palette-bytes.bmp", bmp(2, 2, palette=8))
    put("bmp", "image-size-field.bmp", bmp(2, 2, image_size=16))
    put("bmp", "top-down.bmp", bmp(2, -2))
    put("bmp", "eight-bit.bmp", bmp(2, 2, bits=8))

    put("tga", "rgb-2x2.tga", tga(2, 2))
    put("tga", "rgba-top-row-first.tga", tga(2, 1, bits=32, top=True))
    put("tga", "with-image-id.tga", tga(1, 1, image_id=b"seed"))
    put("tga", "compressed.tga", tga(1, 1, image_type=10))
    put("tga", "header-only.tga", tga(0, 0))

    copy("md3", "data/model/railgun/railgun.md3")
    copy("md3", "data/model/sarge/head.md3")
    put("md3", "small.md3", md3())
    put("md3", "two-surfaces.md3", md3(frames=1, tags=("tag_head", "tag_weapon"),
                                       surfaces=(("u_torso", 4, (0, 1, 2, 2, 3, 0)), ("u_arms", 3, (2, 1, 0)))))
    put("md3", "tag-name-64.md3", md3(frames=1, tags=("t" * 64,)))

    for part in ("lower", "upper", "head"):
        copy("skin", "data/model/sarge/%s_default.skin" % part)
    put("skin", "windows-line-ends.skin", b"l_legs,models/x/lower.tga\r\ntag_torso,\r\nh_head,a/b/head.JPG\r\n")
    put("skin", "blanks-around-names.skin", b" u_torso , models/x/upper.tga \nu_arms,\tm/upper.tga\t\n")
    put("skin", "no-folder.skin", b"l_legs,lower.tga\n,\nx\n")

    copy("animation", "data/model/sarge/animation.cfg", "sarge.cfg")
    put("animation", "small-crlf.cfg", animation(line_end="\r\n"))
    put("animation", "more-than-26-rows.cfg", animation(rows=40))

    lower = md3(frames=2, tags=("tag_torso",), surfaces=(("l_legs", 3, (0, 1, 2)),), name="lower")
    upper = md3(frames=2, tags=("tag_head", "tag_weapon"), surfaces=(("u_torso", 3, (0, 1, 2)),), name="upper")
    head = md3(frames=1, tags=(), surfaces=(("h_head", 3, (2, 1, 0)),), name="head")
    weapon = md3(frames=1, tags=(), surfaces=(("w_railgun1", 3, (0, 1, 2)),), name="railgun")
    jpeg = open(os.path.join(CORPUS, "jpeg", "grey-5x3.jpg"), "rb").read()
    files = [lower, upper, head, b"l_legs,m/lower.tga\n", b"u_torso,m/upper.tga\r\n", b"h_head,m/head.jpg\n",
             animation(count=2), tga(2, 2), tga(1, 1, bits=32), jpeg, weapon, jpeg]
    put("character", "small-character", MARK.join(files))
    put("character", "models-only", MARK.join(files[:3]))
    no_tags = [md3(frames=2, tags=(), surfaces=(("l_legs", 3, (0, 1, 2)),))] + files[1:]
    put("character", "lower-body-without-tags", MARK.join(no_tags))
    upper_case = list(files)
    upper_case[3:6] = [b"L_LEGS , m/LOWER.TGA \r\n", b"U_TORSO,m/Upper.tga\r\n", b"h_head,m/HEAD.JPG"]
    put("character", "skins-in-other-case", MARK.join(upper_case))

    copy("mp3", "autotests/audio/fixtures/tone-mono-22050.mp3")
    copy("mp3", "autotests/audio/fixtures/tone-truncated.mp3")
    put("mp3", "id3-only.mp3", b"ID3\x03\x00\x00\x00\x00\x00\x0aTIT2\x00\x00\x00\x02\x00\x00\x00x")

    def tree(base, names):
        return MARK.join(open(os.path.join(ROOT, base, n), "rb").read() if n else b"" for n in names)

    power = "autotests/platform/fixtures/power/discharging/sys/class/power_supply"
    put("linux", "power-discharging", b"\x00" + tree(power, [
        "AC/type", "AC/online", "BAT0/type", "BAT0/status", "BAT0/capacity", "BAT0/energy_now",
        "BAT0/energy_full", "BAT0/power_now", "BAT0/scope", "BAT0/present"]))
    laptop = "autotests/sysinfo/fixtures/laptop"
    put("linux", "mountinfo-laptop", b"\x01" + tree(laptop, ["proc/self/mountinfo", "sys/block/sda/dev",
                                                             "sys/block/sda/removable"]))
    put("linux", "system-facts-laptop", b"\x02" + tree(laptop, [
        "etc/os-release", "proc/sys/kernel/osrelease", "proc/sys/kernel/hostname", "proc/meminfo",
        "proc/asound/pcm"]))
    put("linux", "input-devices-laptop", b"\x03" + open(os.path.join(
        ROOT, "autotests/keyboard/fixtures/laptop/proc/bus/input/devices"), "rb").read())
    put("linux", "dmi-and-hwmon", b"\x04" + MARK.join([b"03/14/2024\n", b"LENOVO\n", b"N3GET54W (1.30 )\n",
                                                       b"1.30\n", b"coretemp\n", b"45000\n", b"Package id 0\n",
                                                       b"100000\n", b"2400\n"]))

    readings()


# --- the machines' batteries and sensors, tick by tick ---------------------------------------------------

MACHINES = os.path.join(ROOT, "autotests", "fixtures", "machines")
MOST_TICKS = 15  # the harness reads at most 16 ticks: the tree, then the series


def machine_tree(machine, machines=MACHINES):
    """The first tick: every file of the machine's sys/ with its first line, and the directories that stand
    for files that cannot be read (nothing but dot files inside)."""
    lines = []
    base = os.path.join(machines, machine)
    for folder, dirs, files in sorted(os.walk(os.path.join(base, "sys"))):
        dirs.sort()
        rel = os.path.relpath(folder, base)
        shown = [f for f in sorted(files) if not f.startswith(".")]
        if not dirs and not shown:
            lines.append(rel + "/")
        for name in shown:
            first = open(os.path.join(folder, name), "rb").read().split(b"\n")[0]
            lines.append(os.path.join(rel, name) + "\t" + first.decode("utf-8", "surrogateescape"))
    return lines


def series_ticks(path):
    """The rows of a recorded series as ticks, at most MOST_TICKS of them spread over the whole series (its
    first and last row kept).  A battery series has a "seconds" column and names files below
    sys/class/power_supply; a thermal one names files below the machine's directory."""
    rows = [r.rstrip("\n").split("\t") for r in open(path, encoding="utf-8")
            if r.strip() and not r.startswith("#")]
    heading, rows = rows[0], rows[1:]
    if len(rows) > MOST_TICKS:
        rows = [rows[round(i * (len(rows) - 1) / (MOST_TICKS - 1))] for i in range(MOST_TICKS)]
    timed = heading[0] == "seconds"
    ticks = []
    for row in rows:
        lines = []
        for name, value in zip(heading, row):
            if name == "seconds":
                lines.append("@" + value)
            elif value != "-":
                lines.append((os.path.join("sys/class/power_supply", name) if timed else name) + "\t" + value)
        ticks.append(lines)
    return ticks, timed


def readings():
    for machine in sorted(os.listdir(MACHINES)):
        if not os.path.isdir(os.path.join(MACHINES, machine, "sys")):
            continue
        series = sorted(f for f in os.listdir(os.path.join(MACHINES, machine)) if f.startswith("series"))
        for name in series or [None]:
            ticks = [machine_tree(machine)]
            if name:
                more, timed = series_ticks(os.path.join(MACHINES, machine, name))
                if timed:  # the first row is read on the tree itself, as the corpus test does
                    ticks[0] += more.pop(0)
                ticks += more
            else:
                ticks += [["@1"], ["@2"]]
            seed = machine + (name[len("series"):-len(".tsv")] if name else "")
            text = MARK.join("\n".join(t).encode("utf-8", "surrogateescape") + b"\n" for t in ticks)
            put("readings", seed, text)
    # The readers' own edge cases: garbage, a near-zero full capacity, the most negative rate, odd sensors.
    for fixtures in ("autotests/platform/fixtures/power", "autotests/platform/fixtures/battery",
                     "autotests/sysinfo/fixtures/thermal"):
        folder = os.path.join(ROOT, fixtures)
        for tree in sorted(os.listdir(folder)):
            if os.path.isdir(os.path.join(folder, tree, "sys")):
                ticks = [machine_tree(tree, folder), ["@1"], ["@2"]]
                put("readings", os.path.basename(fixtures) + "-" + tree,
                    MARK.join("\n".join(t).encode("utf-8", "surrogateescape") + b"\n" for t in ticks))
    # A second bay emptied and filled again while the program reads it.
    ticks = [machine_tree("two_bays_zero_slot"), ["-sys/class/power_supply/BAT1"], ["@5"]]
    ticks.append([l for l in ticks[0] if l.startswith("sys/class/power_supply/BAT1")])
    put("readings", "second-bay-pulled-and-back", MARK.join("\n".join(t).encode("utf-8", "surrogateescape")
                                                            + b"\n" for t in ticks))


if __name__ == "__main__":
    main()
