"""Small SVG helpers for drawing the sample pictures from landmark points.

Every shape of a drawn face passes through named landmark points, so the
same names give matching key-point pairs between two drawings.
"""


def fmt(v):
    return f"{v:.1f}".rstrip("0").rstrip(".")


def pt(p):
    return f"{fmt(p[0])},{fmt(p[1])}"


def add(a, b):
    return (a[0] + b[0], a[1] + b[1])


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1])


def mul(a, k):
    return (a[0] * k, a[1] * k)


def lerp(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t)


def mid(a, b):
    return lerp(a, b, 0.5)


def smooth_path(points, closed=True, tension=1.0):
    """Catmull-Rom spline through the points, written as cubic Beziers."""
    n = len(points)
    if n < 2:
        return ""
    d = [f"M{pt(points[0])}"]
    last = n if closed else n - 1
    for i in range(last):
        p0 = points[(i - 1) % n] if (closed or i > 0) else points[i]
        p1 = points[i]
        p2 = points[(i + 1) % n]
        p3 = points[(i + 2) % n] if (closed or i + 2 < n) else points[(i + 1) % n]
        c1 = add(p1, mul(sub(p2, p0), tension / 6.0))
        c2 = sub(p2, mul(sub(p3, p1), tension / 6.0))
        d.append(f"C{pt(c1)} {pt(c2)} {pt(p2)}")
    if closed:
        d.append("Z")
    return " ".join(d)


def poly_path(points, closed=True):
    d = "M" + " L".join(pt(p) for p in points)
    return d + (" Z" if closed else "")


class Svg:
    def __init__(self, width, height):
        self.w = width
        self.h = height
        self.defs = []
        self.body = []

    def define(self, text):
        self.defs.append(text)

    def add(self, text):
        self.body.append(text)

    def path(self, d, fill="none", stroke="none", sw=1.0, extra=""):
        self.body.append(
            f'<path d="{d}" fill="{fill}" stroke="{stroke}" stroke-width="{fmt(sw)}" '
            f'stroke-linecap="round" stroke-linejoin="round" {extra}/>')

    def circle(self, c, r, fill="none", stroke="none", sw=1.0, extra=""):
        self.body.append(
            f'<circle cx="{fmt(c[0])}" cy="{fmt(c[1])}" r="{fmt(r)}" fill="{fill}" '
            f'stroke="{stroke}" stroke-width="{fmt(sw)}" {extra}/>')

    def ellipse(self, c, rx, ry, fill="none", stroke="none", sw=1.0, rot=0.0, extra=""):
        self.body.append(
            f'<ellipse cx="{fmt(c[0])}" cy="{fmt(c[1])}" rx="{fmt(rx)}" ry="{fmt(ry)}" '
            f'transform="rotate({fmt(rot)} {fmt(c[0])} {fmt(c[1])})" fill="{fill}" '
            f'stroke="{stroke}" stroke-width="{fmt(sw)}" {extra}/>')

    def text(self):
        return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{self.w}" height="{self.h}" '
                f'viewBox="0 0 {self.w} {self.h}">\n<defs>\n' + "\n".join(self.defs) +
                "\n</defs>\n" + "\n".join(self.body) + "\n</svg>\n")
