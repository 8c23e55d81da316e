#!/usr/bin/env python3
"""Draws the sample pictures and prepares the photographs.

Usage: draw_samples.py OUT_DIR [--skimage-data DIR] [--svg-dir DIR]

Drawings are written as SVG and rendered to PNG with rsvg-convert. The two
photographs (scikit-image's astronaut and chelsea test pictures) are cropped
and stored as JPEG with ImageMagick. Needs: rsvg-convert, convert.
"""
import argparse
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import faces  # noqa: E402
import landmarks as lm  # noqa: E402
from svgkit import add, mid, smooth_path, pt  # noqa: E402

GIRL_STYLE = dict(
    w=480, h=600, bg=("#fdeef2", "#c9dcf2"), skin="#f8dcc8", skin_shade="#e3b39a",
    hair="#6b3a22", hair_dark="#4a2714", hair_style="long", front_hair=faces.hair_long_bangs,
    iris=("#3f6e3a", "#8fbf6a"), lips="#e0707a", blush="#f59aa6", brow="#5a3320", brow_w=4,
    clothes="#e8607a", collar=faces.round_collar, neckline=70, smile=4, bow="#ff4f81",
    eye=dict(lashes=True, eye_up=0.42, eye_down=0.28, iris_r=0.34), fold_op=0.25,
)

BOY_STYLE = dict(
    w=480, h=600, bg=("#eef8e6", "#a9cf9a"), skin="#eec0a0", skin_shade="#d09878",
    hair="#2e1f14", hair_dark="#160e08", hair_style="short", front_hair=faces.hair_short,
    iris=("#4a2e1a", "#8a5a32"), lips="#c98272", brow="#2a1a10", brow_w=6,
    clothes="#2f7fd0", collar=faces.tee_collar, neckline=55, smile=3,
    eye=dict(eye_up=0.36, eye_down=0.24, iris_r=0.33), fold_op=0.3,
)

BILL_STYLE = dict(
    w=480, h=600, bg=("#eef2f6", "#9fb2c8"), skin="#efbfa0", skin_shade="#c98e70",
    hair="#d4d4d0", hair_dark="#9a9a96", hair_style="receding", front_hair=faces.hair_receding,
    iris=("#2f4f6f", "#6f93b5"), lips="#c07a6e", brow="#b8b8b4", brow_w=8,
    clothes="#33415a", collar=faces.tie_collar, neckline=120, smile=1,
    eye=dict(eye_up=0.3, eye_down=0.24, iris_r=0.3, lid_w=3.5), wrinkles=True,
    moustache="#c8c8c4", fold_w=2.4, fold_op=0.8, forehead_extra=34,
)


def leonardo_background(svg, L):
    """A hazy landscape with a winding road, in the manner of Renaissance portraits."""
    W, H = svg.w, svg.h
    svg.define('<linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">'
               '<stop offset="0" stop-color="#8fa58a"/><stop offset="0.55" stop-color="#c9c79a"/>'
               '<stop offset="1" stop-color="#7d7446"/></linearGradient>')
    svg.add(f'<rect width="{W}" height="{H}" fill="url(#sky)"/>')
    svg.path(smooth_path([(0, H * 0.42), (W * 0.2, H * 0.36), (W * 0.35, H * 0.44), (W * 0.62, H * 0.38),
                          (W * 0.85, H * 0.3), (W, H * 0.34), (W + 20, H), (-20, H)]),
             fill="#6f7f5e", extra='opacity="0.7"')
    svg.path(smooth_path([(0, H * 0.55), (W * 0.25, H * 0.5), (W * 0.5, H * 0.58), (W * 0.8, H * 0.5),
                          (W, H * 0.55), (W + 20, H), (-20, H)]), fill="#5d5a36", extra='opacity="0.85"')
    # Varnish: a warm, darker veil over everything.
    svg.define('<radialGradient id="varnish" cx="50%" cy="35%" r="80%">'
               '<stop offset="0.5" stop-color="#000" stop-opacity="0"/>'
               '<stop offset="1" stop-color="#2a1a05" stop-opacity="0.55"/></radialGradient>')
    svg.add(f'<rect width="{W}" height="{H}" fill="url(#varnish)"/>')


def mona_hair(svg, L, st):
    hair = st["hair"]
    # Parted hair falling straight past the cheeks, under a thin dark veil.
    for s, temple, cheek, low, top in ((-1, L["templeL"], L["cheekL"], L["hairLowL"], L["hairTopL"]),
                                       (1, L["templeR"], L["cheekR"], L["hairLowR"], L["hairTopR"])):
        lock = [add(L["hairTop"], (s * 4, 2)), top, add(L["hairL" if s < 0 else "hairR"], (0, 30)),
                add(low, (s * 10, 90)), add(low, (-s * 20, 110)), add(cheek, (s * 4, 30)),
                add(temple, (-s * 4, 0)), add(L["foreheadL" if s < 0 else "foreheadR"], (-s * 6, 4)),
                add(L["hairline"], (s * 6, 4))]
        svg.path(smooth_path(lock), fill=hair)
    # The thin veil over the crown.
    veil = [add(L["hairTopL"], (-4, 2)), add(L["hairTop"], (0, -4)), add(L["hairTopR"], (4, 2)),
            add(L["hairTopR"], (-6, 14)), add(L["hairTop"], (0, 8)), add(L["hairTopL"], (6, 14))]
    svg.path(smooth_path(veil), fill="#0c0804", extra='opacity="0.35"')
    for s in (-1, 1):
        a = add(L["hairTop"], (s * 6, 6))
        b = add(L["hairLowL" if s < 0 else "hairLowR"], (s * 6, 100))
        c = add(L["hairL" if s < 0 else "hairR"], (s * 6, 10))
        svg.path(f"M{pt(a)} Q{pt(c)} {pt(b)}", stroke="#5a4630", sw=1.5, extra='opacity="0.6"')


def mona_collar(svg, L, cl, cr, neckline):
    svg.path(smooth_path([add(cl, (-10, -4)), add(neckline, (0, -6)), add(cr, (10, -4))], closed=False),
             stroke="#b08a3a", sw=4)
    for k in range(9):
        t = (k + 0.5) / 9
        x = cl[0] + (cr[0] - cl[0]) * t
        svg.circle((x, neckline[1] - 6 - 38 * (1 - abs(2 * t - 1)) ** 2 + 8), 2.4, fill="#c8a048")


MONA_STYLE = dict(
    w=600, h=720, background=leonardo_background, skin="#e6c48e", skin_shade="#b58d58",
    hair="#2e2114", hair_dark="#140d06", hair_style="veil", front_hair=mona_hair,
    iris=("#2a1a0e", "#5a3c1e"), lips="#b77a5a", brow="#c79d68", brow_w=2,
    clothes="#2e2a18", collar=mona_collar, neckline=150, smile=2, lip_split=0.35,
    eye=dict(eye_up=0.3, eye_down=0.22, iris_r=0.34, lid_w=3.2), fold_op=0.25, forehead_extra=34,
    nostril="#7a5a3a",
)


def leopard_bg(svg, L):
    faces.gradient_bg(svg, "bg", "#eef0d6", "#8fa46a")


LEOPARD_STYLE = dict(
    w=480, h=600, background=leopard_bg, fur="#d9a248", fur_light="#efc77e", fur_dark="#b5782c",
    light="#fbf3e2", pattern="rosettes", round_ears=True, spot="#2a1c12", rosette_in="#c0822e",
    iris=("#8a7a1e", "#d8d060"), ear_back="#c58a3a", ear_in="#f3dcc0", nose="#c98a7a",
    eye=dict(eye_up=0.34, eye_down=0.32, iris_r=0.4, pupil=0.42, lid="#1a120c", lid_w=3),
)


def tiger_bg(svg, L):
    # Soft, out-of-focus room like the cat photograph's.
    faces.gradient_bg(svg, "bg", "#f1e4e0", "#b9a49c")
    svg.ellipse((420, 130), 60, 110, fill="#d8c6c2", extra='opacity="0.7"')
    svg.ellipse((440, 270), 80, 40, fill="#e8dedb", extra='opacity="0.8"')


TIGER_STYLE = dict(
    w=451, h=300, background=tiger_bg, fur="#e0781e", fur_light="#f39a3c", fur_dark="#1a1008",
    light="#fbf6ee", pattern="stripes", stripe="#1b120b", stripe_w=6, white_cheeks=True,
    iris=("#9a6a10", "#e8b840"), ear_back="#1f1610", ear_in="#f7efe6", ear_spot=True, nose="#d08a80",
    eye=dict(eye_up=0.34, eye_down=0.3, iris_r=0.42, pupil=0.35, lid="#1a120c", lid_w=3),
)

# Tiger points: the cat's face, with the drawing-only points beyond the frame.
TIGER = dict(lm.CHELSEA)
TIGER.update({
    "lipBot": (252, 300), "chin": (250, 345), "jawL": (40, 340), "cheekL": (-40, 220),
    "templeL": (-20, 110), "neckL": (150, 420),
    "neckR": (360, 410), "hairLowL": (-20, 380), "hairLowR": (420, 360), "shoulderL": (-60, 420),
    "shoulderR": (470, 380),
})


CUSHAW_SPINES = {
    # Stem at the top left, the neck curling down into the bulb that rests on the table.
    "rest": ([(150, 78), (128, 130), (126, 185), (142, 240), (175, 292), (215, 332), (250, 366),
              (276, 404), (292, 442), (300, 474)],
             [44, 50, 54, 60, 78, 130, 196, 226, 186, 40]),
    # The warped shape: a longer, more curled neck and a fuller bulb.
    "stretched": ([(108, 44), (80, 102), (84, 170), (114, 236), (160, 292), (208, 334), (250, 366),
                   (276, 404), (292, 442), (300, 474)],
                  [38, 44, 48, 54, 72, 134, 206, 236, 192, 40]),
}
CUSHAW_DENSITY = 3


def catmull(points, k):
    out = []
    n = len(points)
    for i in range(n - 1):
        p0, p1, p2 = points[max(i - 1, 0)], points[i], points[i + 1]
        p3 = points[min(i + 2, n - 1)]
        for j in range(k):
            t = j / k
            t2, t3 = t * t, t * t * t
            out.append(tuple(0.5 * (2 * p1[c] + (-p0[c] + p2[c]) * t + (2 * p0[c] - 5 * p1[c] + 4 * p2[c] - p3[c]) * t2
                                    + (-p0[c] + 3 * p1[c] - 3 * p2[c] + p3[c]) * t3) for c in range(2)))
    out.append(points[-1])
    return out


def cushaw_shape(kind="rest"):
    spine, widths = CUSHAW_SPINES[kind]
    dense = catmull(spine, CUSHAW_DENSITY)
    dense_w = [p[0] for p in catmull([(w, 0) for w in widths], CUSHAW_DENSITY)]
    return dense, dense_w


CUSHAW_STYLE = dict(w=480, h=600)


def cushaw_points(kind):
    spine, widths = cushaw_shape(kind)
    left, right = faces.cushaw_outline(spine, widths)
    pts = {}
    for i in range(0, len(spine) - 1, CUSHAW_DENSITY):
        pts[f"L{i}"] = left[i]
        pts[f"R{i}"] = right[i]
        if 0 < i < len(spine) - 4:
            pts[f"S{i}"] = spine[i]
    pts["bottom"] = spine[-1]
    return pts


DRAWINGS = {
    "girl": (lambda: faces.human(lm.GIRL, GIRL_STYLE), None),
    "boy": (lambda: faces.human(lm.BOY, BOY_STYLE), None),
    "bill": (lambda: faces.human(lm.BILL, BILL_STYLE), None),
    "leopard": (lambda: faces.feline(lm.LEOPARD, LEOPARD_STYLE, seed=7), None),
    "tiger": (lambda: faces.feline(TIGER, TIGER_STYLE, seed=3), None),
    "monalisa": (lambda: faces.human(lm.scaled(lm.MONA, 2), MONA_STYLE), (300, 360)),
    "cushaw": (lambda: faces.cushaw(*cushaw_shape("rest"), CUSHAW_STYLE), None),
}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out_dir")
    ap.add_argument("--skimage-data", default="/usr/lib/python3/dist-packages/skimage/data")
    ap.add_argument("--svg-dir", default=None)
    ap.add_argument("--only", default=None)
    args = ap.parse_args()
    os.makedirs(args.out_dir, exist_ok=True)
    svg_dir = args.svg_dir or tempfile.mkdtemp(prefix="kestrelle-svg-")
    os.makedirs(svg_dir, exist_ok=True)
    for name, (draw, size) in DRAWINGS.items():
        if args.only and name not in args.only.split(","):
            continue
        svg_path = os.path.join(svg_dir, name + ".svg")
        with open(svg_path, "w") as f:
            f.write(draw())
        png = os.path.join(args.out_dir, name + ".png")
        cmd = ["rsvg-convert", svg_path, "-o", png]
        if size:
            cmd[1:1] = ["-w", str(size[0]), "-h", str(size[1])]
        subprocess.run(cmd, check=True)
        # Drop the alpha channel and keep the file small.
        subprocess.run(["convert", png, "-background", "white", "-alpha", "remove", "-alpha", "off",
                        "-depth", "8", "-strip", "-define", "png:exclude-chunk=date,time",
                        "-define", "png:compression-level=9", png], check=True)
    photos = {
        "astronaut.jpg": ("astronaut.png", ["-crop", "300x360+75+0", "+repage"]),
        "chelsea.jpg": ("chelsea.png", []),
    }
    for out, (src, ops) in photos.items():
        if args.only and out.split(".")[0] not in args.only.split(","):
            continue
        src_path = os.path.join(args.skimage_data, src)
        if not os.path.exists(src_path):
            print(f"missing {src_path}; install python3-skimage or pass --skimage-data", file=sys.stderr)
            return 1
        subprocess.run(["convert", src_path] + ops + ["-strip", "-quality", "85",
                                                      os.path.join(args.out_dir, out)], check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
