#!/usr/bin/env python3
"""Key-point pairs of the seven sample projects, taken from the shared landmark names.

  pairs.py args SAMPLE      print the kestrelle-cli "new" arguments of one sample
  pairs.py shell            print the sample table of make_samples.sh
  pairs.py write DIR        write the .fmph files directly into DIR (no kestrelle-cli needed)

A pair is kept when both points lie inside their pictures and neither point is
within 3 pixels of a point already taken (the five frame points come first).
"""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import landmarks as lm  # noqa: E402
import draw_samples as ds  # noqa: E402


def girl_smiling():
    """The girl's points moved into a smile with raised brows and cheeks."""
    moves = {
        "mouthL": (-11, -13), "mouthR": (11, -13), "lipTop": (0, -1), "lipBot": (0, 5),
        "cheekL": (-3, -9), "cheekR": (3, -9), "jawL": (-2, -3), "jawR": (2, -3),
        "browL_out": (-2, -10), "browL_in": (0, -8), "browR_in": (0, -8), "browR_out": (2, -10),
        "eyeL_out": (0, -3), "eyeR_out": (0, -3), "noseL": (-2, -2), "noseR": (2, -2),
    }
    return {k: (x + moves.get(k, (0, 0))[0], y + moves.get(k, (0, 0))[1]) for k, (x, y) in lm.GIRL.items()}


def half(d):
    return {k: (x / 2.0, y / 2.0) for k, (x, y) in d.items()}


# name: (picture1, size1, points1, picture2, size2, points2)
SAMPLES = {
    "girltoleopard": ("girl.png", (480, 600), lm.GIRL, "leopard.png", (480, 600), lm.LEOPARD),
    "boytobill": ("bill.png", (480, 600), lm.BILL, "boy.png", (480, 600), lm.BOY),
    "monalisa": ("monalisa.png", (300, 360), lm.MONA, "astronaut.jpg", (300, 360), lm.ASTRONAUT),
    "cattotirger": ("chelsea.jpg", (451, 300), lm.CHELSEA, "tiger.png", (451, 300), ds.TIGER),
    "griltoboy": ("girl.png", (480, 600), lm.GIRL, "boy.png", (480, 600), lm.BOY),
    "girl": ("girl.png", (480, 600), lm.GIRL, "girl.png", (480, 600), girl_smiling()),
    "cushaw": ("cushaw.png", (480, 600), ds.cushaw_points("rest"), "cushaw.png", (480, 600),
               ds.cushaw_points("stretched")),
}
ORDER = ["girltoleopard", "boytobill", "monalisa", "cattotirger", "griltoboy", "girl", "cushaw"]


def frame_points(w, h):
    return [(0, 0), (0, h), (w, 0), (w, h), (w // 2, h // 2)]


def pair_list(name):
    """The user pairs (beyond the five frame points), as integer coordinates."""
    _, (w1, h1), p1, _, (w2, h2), p2 = SAMPLES[name]
    taken1 = frame_points(w1, h1)
    taken2 = frame_points(w2, h2)
    out = []
    for key in p1:
        if key not in p2:
            continue
        a = (int(p1[key][0]), int(p1[key][1]))
        b = (int(p2[key][0]), int(p2[key][1]))
        if not (0 <= a[0] <= w1 and 0 <= a[1] <= h1 and 0 <= b[0] <= w2 and 0 <= b[1] <= h2):
            continue
        if any(abs(a[0] - t[0]) <= 3 and abs(a[1] - t[1]) <= 3 for t in taken1):
            continue
        if any(abs(b[0] - t[0]) <= 3 and abs(b[1] - t[1]) <= 3 for t in taken2):
            continue
        taken1.append(a)
        taken2.append(b)
        out.append((a, b))
    return out


def cli_args(name):
    pic1, _, _, pic2, _, _ = SAMPLES[name]
    args = [pic1, pic2]
    for a, b in pair_list(name):
        args += ["--pair", f"{a[0]},{a[1]}:{b[0]},{b[1]}"]
    return args


def write_fmph(path, name):
    pic1, (w1, h1), _, pic2, (w2, h2), _ = SAMPLES[name]
    pairs = list(zip(frame_points(w1, h1), frame_points(w2, h2))) + pair_list(name)
    n = len(pairs)
    assert n <= 128
    data = bytearray()
    for pic in (pic1, pic2):
        rec = ("samples/" + pic).encode("utf-8").ljust(256, b"\0")
        data += rec + struct.pack("<i", n - 1)
    for a, b in pairs:
        data += struct.pack("<iiii", a[0], a[1], b[0], b[1])
    assert len(data) == 520 + 16 * n
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    if len(argv) >= 2 and argv[0] == "args":
        print(" ".join(cli_args(argv[1])))
    elif argv and argv[0] == "shell":
        for name in ORDER:
            args = cli_args(name)
            pairs = " \\\n    ".join(" ".join(args[i:i + 6]) for i in range(2, len(args), 6))
            print(f"make {name} {args[0]} {args[1]} \\\n    {pairs}\n")
    elif len(argv) >= 2 and argv[0] == "write":
        for name in ORDER:
            write_fmph(os.path.join(argv[1], name + ".fmph"), name)
            print(name, 5 + len(pair_list(name)), "pairs")
    else:
        print(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
