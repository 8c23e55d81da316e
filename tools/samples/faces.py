"""Drawings of the sample pictures, each built from a dictionary of named landmarks.

human()  draws a head-and-shoulders portrait (girl, boy, Bill, the Mona Lisa homage).
feline() draws a big-cat face (leopard, tiger).
cushaw() draws a crookneck squash from a spine curve and widths.
"""
import math
import random

from svgkit import Svg, add, sub, mul, lerp, mid, smooth_path, poly_path, pt, fmt


def dist(a, b):
    return math.hypot(a[0] - b[0], a[1] - b[1])


def unit(v):
    n = math.hypot(v[0], v[1]) or 1.0
    return (v[0] / n, v[1] / n)


def perp(v):
    return (-v[1], v[0])


def gradient_bg(svg, gid, c1, c2, radial=True):
    if radial:
        svg.define(f'<radialGradient id="{gid}" cx="50%" cy="40%" r="75%">'
                   f'<stop offset="0" stop-color="{c1}"/><stop offset="1" stop-color="{c2}"/>'
                   f'</radialGradient>')
    else:
        svg.define(f'<linearGradient id="{gid}" x1="0" y1="0" x2="0" y2="1">'
                   f'<stop offset="0" stop-color="{c1}"/><stop offset="1" stop-color="{c2}"/>'
                   f'</linearGradient>')
    svg.add(f'<rect x="0" y="0" width="{svg.w}" height="{svg.h}" fill="url(#{gid})"/>')


def eye_shape(out, inn, open_up=0.36, open_down=0.24, lift=0.0):
    """Almond outline from the outer to the inner corner (top lid first)."""
    w = dist(out, inn)
    d = unit(sub(inn, out))
    n = perp(d)
    if n[1] > 0:
        n = mul(n, -1)  # n points up
    top1 = add(add(out, mul(d, w * 0.25)), mul(n, w * open_up * 1.05 + lift))
    top2 = add(add(out, mul(d, w * 0.7)), mul(n, w * open_up))
    bot2 = add(add(out, mul(d, w * 0.7)), mul(n, -w * open_down))
    bot1 = add(add(out, mul(d, w * 0.28)), mul(n, -w * open_down))
    top = f"M{pt(out)} C{pt(top1)} {pt(top2)} {pt(inn)}"
    whole = top + f" C{pt(bot2)} {pt(bot1)} {pt(out)} Z"
    return whole, top, n, w


def draw_eye(svg, eid, out, inn, centre, iris, style):
    whole, top, n, w = eye_shape(out, inn, style.get("eye_up", 0.36), style.get("eye_down", 0.24))
    svg.define(f'<clipPath id="{eid}"><path d="{whole}"/></clipPath>')
    svg.path(whole, fill=style.get("sclera", "#fbf8f4"))
    r = w * style.get("iris_r", 0.3)
    svg.define(f'<radialGradient id="{eid}g"><stop offset="0" stop-color="{iris[1]}"/>'
               f'<stop offset="1" stop-color="{iris[0]}"/></radialGradient>')
    svg.add(f'<g clip-path="url(#{eid})">')
    svg.circle(centre, r, fill=f"url(#{eid}g)", stroke=iris[0], sw=1.5)
    svg.circle(centre, r * style.get("pupil", 0.45), fill="#111")
    svg.circle(add(centre, (-r * 0.35, -r * 0.4)), r * 0.2, fill="#fff", extra='opacity="0.9"')
    svg.add('</g>')
    svg.path(top, stroke=style.get("lid", "#2a1a12"), sw=style.get("lid_w", 3.0))
    if style.get("lashes"):
        d = unit(sub(inn, out))
        for k in range(4):
            t = 0.05 + k * 0.12
            base = add(out, mul(d, w * t))
            base = add(base, mul(n, w * 0.3 * (0.6 + t)))
            tip = add(base, add(mul(n, 7), mul(d, -6 + k * 1.0)))
            svg.path(f"M{pt(base)} L{pt(tip)}", stroke=style.get("lid", "#2a1a12"), sw=1.8)


def brow(svg, p_out, p_in, colour, width, arch=10):
    m = mid(p_out, p_in)
    top = add(m, (0, -arch))
    d = smooth_path([p_out, lerp(p_out, top, 0.9), p_in], closed=False)
    svg.path(d, stroke=colour, sw=width)


# ---------------------------------------------------------------------------------------------
# People
# ---------------------------------------------------------------------------------------------

def human(L, st):
    svg = Svg(st["w"], st["h"])
    W, H = st["w"], st["h"]
    if st.get("background") is not None:
        st["background"](svg, L)
    else:
        gradient_bg(svg, "bg", st["bg"][0], st["bg"][1])

    skin, shade = st["skin"], st["skin_shade"]
    hair, hair_dark = st["hair"], st["hair_dark"]

    # Hair behind the head and shoulders.
    if st["hair_style"] in ("long", "veil"):
        back = [L["hairTop"], L["hairTopR"], L["hairR"], L["hairLowR"],
                add(L["hairLowR"], (-40, 18)), add(L["neckR"], (12, 25)),
                add(L["neckL"], (-12, 25)), add(L["hairLowL"], (40, 18)),
                L["hairLowL"], L["hairL"], L["hairTopL"]]
        svg.path(smooth_path(back), fill=hair_dark)

    # Neck.
    nl, nr = L["neckL"], L["neckR"]
    neck = [add(L["jawL"], (12, -10)), nl, add(nl, (-6, 90)), add(nr, (6, 90)), nr,
            add(L["jawR"], (-12, -10))]
    svg.path(poly_path(neck), fill=skin)
    svg.path(smooth_path([add(L["jawL"], (14, 0)), add(L["chin"], (0, 26)), add(L["jawR"], (-14, 0))],
                         closed=False), stroke=shade, sw=10, extra='opacity="0.5"')

    # Clothes.
    sl, sr = L["shoulderL"], L["shoulderR"]
    cl, cr = add(nl, (-22, 50)), add(nr, (22, 50))
    neckline = (mid(nl, nr)[0], nl[1] + st.get("neckline", 80))
    top = smooth_path([add(sl, (-60, 40)), sl, cl, neckline, cr, sr, add(sr, (60, 40))], closed=False)
    svg.path(top + f" L{pt((W + 80, H + 80))} L{pt((-80, H + 80))} Z", fill=st["clothes"])
    if st.get("collar"):
        st["collar"](svg, L, cl, cr, neckline)

    # Ears.
    for side, s in (("earL", -1), ("earR", 1)):
        e = L[side]
        svg.ellipse(e, 13, 25, fill=skin, stroke=shade, sw=1.5, rot=-8 * s)
        svg.path(f"M{pt(add(e, (3 * s, -14)))} Q{pt(add(e, (-6 * s, 0)))} {pt(add(e, (2 * s, 14)))}",
                 stroke=shade, sw=2)

    # Face.
    face_top = add(L["hairline"], (0, -st.get("forehead_extra", 30)))
    face = [face_top, L["foreheadR"], L["templeR"], L["cheekR"], L["jawR"], L["chin"],
            L["jawL"], L["cheekL"], L["templeL"], L["foreheadL"]]
    svg.define(f'<radialGradient id="skin" cx="50%" cy="45%" r="60%">'
               f'<stop offset="0.55" stop-color="{skin}"/><stop offset="1" stop-color="{shade}"/>'
               f'</radialGradient>')
    svg.path(smooth_path(face), fill="url(#skin)")
    if st.get("blush"):
        for c in (lerp(L["cheekL"], L["mouthL"], 0.45), lerp(L["cheekR"], L["mouthR"], 0.45)):
            svg.ellipse(add(c, (0, -6)), 26, 15, fill=st["blush"], extra='opacity="0.45"')
    if st.get("wrinkles"):
        for k in range(3):
            y = L["hairline"][1] + 22 + k * 13
            svg.path(smooth_path([(L["browL_in"][0] - 25, y + 3), (L["hairline"][0], y - 3),
                                  (L["browR_in"][0] + 25, y + 3)], closed=False),
                     stroke=shade, sw=1.6, extra='opacity="0.8"')
        for side, s in (("eyeL_out", -1), ("eyeR_out", 1)):
            e = L[side]
            for k in (-1, 0, 1):
                svg.path(f"M{pt(add(e, (4 * s, k * 6)))} L{pt(add(e, (16 * s, k * 9)))}",
                         stroke=shade, sw=1.3)
    # Nose-to-mouth folds.
    for a, b, s in ((L["noseL"], L["mouthL"], -1), (L["noseR"], L["mouthR"], 1)):
        p0 = add(a, (-8 * s * -1, -4))
        p0 = add(a, (s * 8, -2))
        p2 = add(b, (s * 10, 4))
        p1 = add(mid(p0, p2), (s * 8, 0))
        svg.path(f"M{pt(p0)} Q{pt(p1)} {pt(p2)}", stroke=shade, sw=st.get("fold_w", 1.5),
                 extra=f'opacity="{st.get("fold_op", 0.5)}"')

    # Eyes and brows.
    eye_style = dict(st.get("eye", {}))
    draw_eye(svg, "eyeLc", L["eyeL_out"], L["eyeL_in"], L["eyeL"], st["iris"], eye_style)
    draw_eye(svg, "eyeRc", L["eyeR_out"], L["eyeR_in"], L["eyeR"], st["iris"], eye_style)
    brow(svg, L["browL_out"], L["browL_in"], st.get("brow", hair_dark), st.get("brow_w", 5))
    brow(svg, L["browR_out"], L["browR_in"], st.get("brow", hair_dark), st.get("brow_w", 5))

    # Nose.
    n = L["nose"]
    svg.path(f"M{pt(add(n, (-8, -62)))} Q{pt(add(n, (-14, -18)))} {pt(add(L['noseL'], (-2, -4)))}",
             stroke=shade, sw=2, extra='opacity="0.6"')
    svg.path(smooth_path([add(L["noseL"], (-4, -6)), add(L["noseL"], (2, 4)), add(n, (0, 8)),
                          add(L["noseR"], (-2, 4)), add(L["noseR"], (4, -6))], closed=False),
             stroke=shade, sw=2.2)
    svg.ellipse(add(L["noseL"], (5, 1)), 4.5, 2.5, fill=st.get("nostril", "#7a4a3a"), rot=20)
    svg.ellipse(add(L["noseR"], (-5, 1)), 4.5, 2.5, fill=st.get("nostril", "#7a4a3a"), rot=-20)
    svg.ellipse(add(n, (0, -6)), 6, 4, fill="#fff", extra='opacity="0.25"')

    # Mouth.
    ml, mr, lt, lb = L["mouthL"], L["mouthR"], L["lipTop"], L["lipBot"]
    lm = lerp(lt, lb, st.get("lip_split", 0.4))
    smile = st.get("smile", 3)
    line_mid = add(lm, (0, smile))
    up = smooth_path([ml, add(lt, (-13, -2)), add(lt, (0, 3)), add(lt, (13, -2)), mr], closed=False)
    lo = f"M{pt(mr)} Q{pt(add(lb, (0, 8)))} {pt(ml)}"
    mline = f"M{pt(ml)} Q{pt(add(line_mid, (0, smile)))} {pt(mr)}"
    if st.get("lips"):
        svg.path(up + f" Q{pt(add(line_mid, (0, smile)))} {pt(ml)} Z", fill=st["lips"])
        svg.path(mline + f" Q{pt(add(lb, (0, 8)))} {pt(ml)} Z", fill=st["lips"], extra='opacity="0.85"')
        svg.path(lo, stroke=st["lips"], sw=1)
    svg.path(mline, stroke=st.get("mouth_line", "#5a2a22"), sw=2.2)
    if st.get("teeth"):
        svg.path(mline + f" Q{pt(add(lm, (0, smile + 8)))} {pt(ml)} Z", fill="#fffaf2")

    if st.get("moustache"):
        c = st["moustache"]
        m = [add(ml, (-10, 2)), add(L["noseL"], (-4, 10)), add(n, (0, 14)), add(L["noseR"], (4, 10)),
             add(mr, (10, 2)), add(mr, (2, -3)), add(lt, (0, -4)), add(ml, (-2, -3))]
        svg.path(smooth_path(m), fill=c)
    if st.get("stubble"):
        svg.path(smooth_path([L["jawL"], lerp(L["jawL"], L["mouthL"], 0.5), add(L["lipBot"], (0, 8)),
                              lerp(L["jawR"], L["mouthR"], 0.5), L["jawR"], add(L["chin"], (0, -2))]),
                 fill=st["stubble"], extra='opacity="0.25"')

    # Hair in front.
    st["front_hair"](svg, L, st)
    if st.get("extras"):
        st["extras"](svg, L, st)
    return svg.text()


def hair_long_bangs(svg, L, st):
    hair = st["hair"]
    out = [add(L["templeL"], (-12, 30)), L["hairL"] if False else add(L["templeL"], (-22, -10)),
           L["hairTopL"], L["hairTop"], L["hairTopR"], add(L["templeR"], (22, -10)),
           add(L["templeR"], (-2, 40))]
    fringe = [add(L["templeR"], (-6, -10)), add(L["foreheadR"], (-6, 30)),
              add(L["hairline"], (35, 8)), L["hairline"], add(L["hairline"], (-40, 12)),
              add(L["foreheadL"], (4, 38)), add(L["templeL"], (8, -6))]
    svg.path(smooth_path(out + fringe), fill=hair)
    # Strands.
    for k in range(9):
        t = (k + 0.5) / 9
        a = lerp(L["hairTopL"], L["hairTopR"], t)
        a = add(a, (0, -20 * math.sin(t * math.pi)))
        b = lerp(add(L["foreheadL"], (4, 30)), add(L["foreheadR"], (-6, 26)), t)
        svg.path(f"M{pt(a)} Q{pt(add(mid(a, b), (-10, 0)))} {pt(b)}", stroke=st["hair_dark"], sw=1.6,
                 extra='opacity="0.5"')
    # Side locks framing the face.
    for s, temple, cheek, low in ((-1, L["templeL"], L["cheekL"], L["hairLowL"]),
                                  (1, L["templeR"], L["cheekR"], L["hairLowR"])):
        lock = [add(temple, (s * 24, -12)), add(temple, (-s * 2, 10)), add(cheek, (-s * 2, 20)),
                add(low, (-s * 40, -30)), add(low, (-s * 5, -5)), add(cheek, (s * 28, 0))]
        svg.path(smooth_path(lock), fill=hair)
    if st.get("bow"):
        c = add(L["hairTopR"], (-10, 10))
        svg.path(f"M{pt(c)} L{pt(add(c, (-28, -18)))} L{pt(add(c, (-28, 16)))} Z", fill=st["bow"])
        svg.path(f"M{pt(c)} L{pt(add(c, (28, -18)))} L{pt(add(c, (28, 16)))} Z", fill=st["bow"])
        svg.circle(c, 7, fill=st["bow"], stroke="#0003", sw=1)


def hair_short(svg, L, st):
    hair = st["hair"]
    cap = [add(L["earL"], (4, -22)), add(L["templeL"], (-16, -20)), L["hairTopL"], L["hairTop"],
           L["hairTopR"], add(L["templeR"], (16, -20)), add(L["earR"], (-4, -22)),
           add(L["templeR"], (-2, -8)), add(L["foreheadR"], (-6, 12))]
    fringe = []
    n = 7
    for k in range(n + 1):
        t = k / n
        p = lerp(add(L["foreheadR"], (-6, 12)), add(L["foreheadL"], (6, 12)), t)
        p = (p[0], L["hairline"][1] + (8 if k % 2 else -6) - 10 * math.sin(t * math.pi) + 8)
        fringe.append(p)
    cap += fringe + [add(L["foreheadL"], (6, 12)), add(L["templeL"], (2, -8))]
    svg.path(poly_path(cap), fill=hair)
    svg.path(smooth_path(cap), fill=hair)
    for k in range(7):
        t = (k + 0.5) / 7
        a = lerp(L["hairTopL"], L["hairTopR"], t)
        a = add(a, (0, -10 * math.sin(t * math.pi)))
        b = (a[0] + 6, L["hairline"][1] - 4)
        svg.path(f"M{pt(a)} L{pt(b)}", stroke=st["hair_dark"], sw=2, extra='opacity="0.5"')


def hair_receding(svg, L, st):
    hair = st["hair"]
    for s, temple, ear, top in ((-1, L["templeL"], L["earL"], L["hairTopL"]),
                                (1, L["templeR"], L["earR"], L["hairTopR"])):
        side = [top, add(temple, (s * 20, -18)), add(ear, (s * 2, 24)), add(ear, (-s * 8, 18)),
                add(temple, (-s * 2, 10)), add(temple, (-s * 6, -30)), add(top, (-s * 26, 24))]
        svg.path(smooth_path(side), fill=hair)
    # Thin hair across the crown.
    crown = [L["hairTopL"], L["hairTop"], L["hairTopR"], add(L["hairTopR"], (-16, 16)),
             add(L["hairTop"], (0, 22)), add(L["hairTopL"], (16, 16))]
    svg.path(smooth_path(crown), fill=hair, extra='opacity="0.75"')
    for k in range(8):
        t = (k + 0.5) / 8
        a = lerp(L["hairTopL"], L["hairTopR"], t)
        a = add(a, (0, -12 * math.sin(t * math.pi)))
        svg.path(f"M{pt(a)} q12,14 4,30", stroke=st["hair_dark"], sw=1.5, extra='opacity="0.6"')


def tie_collar(svg, L, cl, cr, neckline):
    # Shirt collar and tie for Bill.
    c = mid(L["neckL"], L["neckR"])
    svg.path(poly_path([add(L["neckL"], (-4, 8)), add(c, (0, 60)), add(L["neckR"], (4, 8)),
                        add(cr, (0, 30)), add(cl, (0, 30))]), fill="#f4f4f0")
    svg.path(poly_path([add(L["neckL"], (-4, 8)), add(c, (0, 58)), add(cl, (4, 38))]),
             fill="#ffffff", stroke="#c8c8c8", sw=1.5)
    svg.path(poly_path([add(L["neckR"], (4, 8)), add(c, (0, 58)), add(cr, (-4, 38))]),
             fill="#ffffff", stroke="#c8c8c8", sw=1.5)
    svg.path(poly_path([add(c, (-10, 52)), add(c, (10, 52)), add(c, (16, 160)), add(c, (0, 175)),
                        add(c, (-16, 160))]), fill="#8a1f2b")
    svg.path(poly_path([add(c, (-11, 40)), add(c, (11, 40)), add(c, (8, 56)), add(c, (-8, 56))]),
             fill="#6d1822")


def tee_collar(svg, L, cl, cr, neckline):
    svg.path(smooth_path([cl, neckline, cr], closed=False), stroke="#1d4f8a", sw=9)


def round_collar(svg, L, cl, cr, neckline):
    svg.path(smooth_path([cl, neckline, cr], closed=False), stroke="#ffffff", sw=7)


# ---------------------------------------------------------------------------------------------
# Big cats
# ---------------------------------------------------------------------------------------------

def tapered(a, b, c, w):
    """A tapered stroke along the quadratic a-b-c, widest (w) in the middle."""
    d1 = unit(sub(c, a))
    n = perp(d1)
    b1 = add(b, mul(n, w))
    b2 = add(b, mul(n, -w))
    return f"M{pt(a)} Q{pt(b1)} {pt(c)} Q{pt(b2)} {pt(a)} Z"


def feline(L, st, seed=1):
    rnd = random.Random(seed)
    svg = Svg(st["w"], st["h"])
    W, H = st["w"], st["h"]
    if st.get("background") is not None:
        st["background"](svg, L)
    else:
        gradient_bg(svg, "bg", st["bg"][0], st["bg"][1])
    fur, fur_dark, light = st["fur"], st["fur_dark"], st["light"]

    # Body and neck ruff; the body reaches up behind the head.
    body = [add(L["shoulderL"], (-90, 60)), L["shoulderL"], L["hairLowL"], add(L["jawL"], (0, -40)),
            add(L["jawR"], (0, -40)), L["hairLowR"], L["shoulderR"], add(L["shoulderR"], (90, 60))]
    body_d = smooth_path(body, closed=False) + f" L{pt((W + 100, H + 100))} L{pt((-100, H + 100))} Z"
    svg.define(f'<clipPath id="bodyclip"><path d="{body_d}"/></clipPath>')
    svg.path(body_d, fill=fur)
    chest = add(L["chin"], (0, (L["shoulderL"][1] - L["chin"][1]) * 0.55))
    svg.add('<g clip-path="url(#bodyclip)">')
    svg.ellipse(chest, dist(L["neckL"], L["neckR"]) * 0.7, (L["shoulderL"][1] - L["chin"][1]) * 0.6,
                fill=light)
    svg.add('</g>')

    # Ears.
    for s, tip, inner, outer in ((-1, L["hairTopL"], L["foreheadL"], L["earOutL"]),
                                 (1, L["hairTopR"], L["foreheadR"], L["earOutR"])):
        bulge = mul(unit(perp(sub(outer, inner))), -s * dist(inner, outer) * 0.12)
        ear = [inner, add(lerp(inner, tip, 0.7), bulge), tip, add(lerp(outer, tip, 0.7), mul(bulge, -1)), outer]
        if st.get("round_ears"):
            ear = [inner, add(lerp(inner, tip, 0.8), mul(bulge, 2.5)), tip,
                   add(lerp(outer, tip, 0.8), mul(bulge, -2.5)), outer]
        svg.path(smooth_path(ear), fill=st.get("ear_back", fur_dark))
        inner_ear = [lerp(inner, outer, 0.2), lerp(lerp(inner, tip, 0.7), outer, 0.2),
                     lerp(tip, mid(inner, outer), 0.22), lerp(lerp(outer, tip, 0.7), inner, 0.2),
                     lerp(outer, inner, 0.2)]
        svg.path(smooth_path(inner_ear), fill=st.get("ear_in", "#e8c9b4"))
        if st.get("ear_spot"):
            c = lerp(mid(inner, outer), tip, 0.45)
            svg.ellipse(c, dist(inner, outer) * 0.13, dist(inner, tip) * 0.12, fill="#f7f3ea",
                        extra='opacity="0.9"')

    # Head with ruffled cheeks.
    head = [L["hairTop"], L["foreheadR"], L["templeR"]]
    # Ruff along the right side.
    for a, b in ((L["templeR"], L["cheekR"]), (L["cheekR"], L["jawR"])):
        for k in (1, 2):
            p = lerp(a, b, k / 3)
            o = unit(perp(sub(b, a)))
            head.append(add(p, mul(o, -12 if k == 1 else 4)))
        head.append(b)
    head += [L["chin"], L["jawL"]]
    for a, b in ((L["jawL"], L["cheekL"]), (L["cheekL"], L["templeL"])):
        for k in (1, 2):
            p = lerp(a, b, k / 3)
            o = unit(perp(sub(b, a)))
            head.append(add(p, mul(o, -12 if k == 1 else 4)))
        head.append(b)
    head += [L["foreheadL"]]
    head_d = smooth_path(head)
    svg.define(f'<clipPath id="headclip"><path d="{head_d}"/></clipPath>')
    svg.define(f'<radialGradient id="furg" cx="50%" cy="45%" r="60%">'
               f'<stop offset="0.4" stop-color="{st.get("fur_light", fur)}"/>'
               f'<stop offset="1" stop-color="{fur}"/></radialGradient>')
    svg.path(head_d, fill="url(#furg)")

    # Light areas: above the eyes, cheeks, muzzle, chin.
    eye_w = dist(L["eyeL_out"], L["eyeL_in"])
    svg.define('<filter id="soft" x="-50%" y="-50%" width="200%" height="200%">'
               '<feGaussianBlur stdDeviation="4"/></filter>')
    svg.define('<filter id="softer" x="-50%" y="-50%" width="200%" height="200%">'
               '<feGaussianBlur stdDeviation="10"/></filter>')
    svg.add('<g clip-path="url(#headclip)">')
    for e, o in ((L["eyeL"], L["eyeL_out"]), (L["eyeR"], L["eyeR_out"])):
        svg.ellipse(add(e, (0, -eye_w * 0.5)), eye_w * 0.42, eye_w * 0.18, fill=light,
                    extra='opacity="0.8" filter="url(#soft)"')
    if st.get("white_cheeks"):
        for c, j in ((L["cheekL"], L["jawL"]), (L["cheekR"], L["jawR"])):
            svg.path(smooth_path([lerp(c, L["nose"], 0.15), lerp(c, L["nose"], 0.55),
                                  lerp(j, L["mouthL"] if c is L["cheekL"] else L["mouthR"], 0.4),
                                  lerp(j, c, 0.3)]), fill=light, extra='opacity="0.95" filter="url(#softer)"')
    mw = dist(L["mouthL"], L["mouthR"])
    muzzle_y = L["lipTop"][1] - mw * 0.08
    for c in (lerp(L["mouthL"], L["lipTop"], 0.35), lerp(L["mouthR"], L["lipTop"], 0.35)):
        svg.ellipse((c[0], muzzle_y), mw * 0.42, mw * 0.34, fill=light)
    svg.ellipse(add(L["lipBot"], (0, (L["chin"][1] - L["lipBot"][1]) * 0.2)), mw * 0.4,
                max(8, (L["chin"][1] - L["lipBot"][1]) * 0.9), fill=light)
    # Nose bridge.
    bridge = [add(mid(L["eyeL_in"], L["eyeR_in"]), (0, -eye_w * 0.4)), L["noseL"], L["noseR"]]
    svg.path(smooth_path(bridge), fill=st.get("bridge", fur), extra='opacity="0.6"')
    svg.add('</g>')

    # Coat pattern.
    pattern = st["pattern"]
    avoid = [L["eyeL"], L["eyeR"], L["nose"], L["lipTop"], L["mouthL"], L["mouthR"]]

    def free(p, r):
        return all(dist(p, a) > r for a in avoid)

    if pattern == "rosettes":
        scale = st.get("spot_scale", 1.0)
        # Rosettes on the body, on a jittered grid.
        svg.add('<g clip-path="url(#bodyclip)">')
        step = 46 * scale
        y = L["jawL"][1] - 40
        row = 0
        while y < H + step:
            x = -step + (step / 2 if row % 2 else 0)
            while x < W + step:
                p = (x + rnd.uniform(-8, 8), y + rnd.uniform(-8, 8))
                r = 11 * scale * rnd.uniform(0.8, 1.15)
                svg.circle(p, r, fill=st.get("rosette_in", fur_dark), extra='opacity="0.75"')
                for k in range(5):
                    if rnd.random() < 0.25:
                        continue
                    a = k * 2 * math.pi / 5 + rnd.uniform(-0.3, 0.3)
                    q = add(p, (math.cos(a) * r * 1.2, math.sin(a) * r * 1.2))
                    svg.ellipse(q, r * 0.45, r * 0.28, fill=st["spot"], rot=math.degrees(a) + 90)
                x += step
            y += step * 0.85
            row += 1
        svg.add('</g>')
        # Small solid spots on the head, finer towards the middle of the face.
        svg.add('<g clip-path="url(#headclip)">')
        centre = mid(L["eyeL"], L["eyeR"])
        step = 17 * scale
        y = 0
        row = 0
        while y < L["chin"][1]:
            x = (step / 2 if row % 2 else 0)
            while x < W:
                p = (x + rnd.uniform(-4, 4), y + rnd.uniform(-4, 4))
                x += step
                if not free(p, eye_w * 0.8) or dist(p, L["lipTop"]) < mw * 0.95:
                    continue
                if abs(p[0] - centre[0]) < eye_w * 0.45 and p[1] > centre[1] - eye_w * 0.6:
                    continue
                r = 2.2 + 3.2 * min(1.0, dist(p, centre) / (eye_w * 2.4))
                svg.circle(p, r * scale * rnd.uniform(0.8, 1.2), fill=st["spot"])
            y += step * 0.9
            row += 1
        svg.add('</g>')
    elif pattern == "stripes":
        sw = st.get("stripe_w", 6)
        svg.add('<g clip-path="url(#headclip)">')
        # Forehead: nested stripes above the eyes.
        top = L["hairTop"]
        brow_mid = mid(L["eyeL_in"], L["eyeR_in"])
        for k in range(4):
            t = 0.25 + k * 0.17
            c = lerp(top, brow_mid, t)
            half = eye_w * (0.35 + 0.12 * k)
            svg.path(tapered(add(c, (-half, 6)), add(c, (0, -8)), add(c, (half, 6)), sw * 0.7),
                     fill=st["stripe"])
        for s, e_out, temple, cheek, jaw in ((-1, L["eyeL_out"], L["templeL"], L["cheekL"], L["jawL"]),
                                            (1, L["eyeR_out"], L["templeR"], L["cheekR"], L["jawR"])):
            # Stripes over the brows.
            for k in range(3):
                a = lerp(e_out, L["hairTop"], 0.3 + 0.18 * k)
                b = lerp(temple, L["hairTop"], 0.25 + 0.18 * k)
                svg.path(tapered(add(b, (s * 10, 0)), mid(a, b), a, sw * 0.9), fill=st["stripe"])
            # Cheek stripes running in from the outline.
            for k in range(4):
                t = 0.15 + 0.22 * k
                a = lerp(temple, jaw, t)
                a = add(a, (s * 8, 0))
                b = lerp(a, L["nose"], 0.38 - 0.04 * k)
                c = lerp(a, b, 0.5)
                svg.path(tapered(a, add(c, (0, -6)), b, sw), fill=st["stripe"])
        svg.add('</g>')
        svg.add('<g clip-path="url(#bodyclip)">')
        for k in range(12):
            x = rnd.uniform(0, W)
            y = rnd.uniform(L["neckL"][1], H)
            svg.path(tapered((x - 30, y - 20), (x, y + 5), (x + 30, y - 10), sw * 1.1), fill=st["stripe"])
        svg.add('</g>')

    # Eyes with dark rims.
    eye_style = dict(st.get("eye", {}))
    for e, o, i, name in ((L["eyeL"], L["eyeL_out"], L["eyeL_in"], "eyeLc"),
                          (L["eyeR"], L["eyeR_out"], L["eyeR_in"], "eyeRc")):
        whole, top, n, w = eye_shape(o, i, eye_style.get("eye_up", 0.32), eye_style.get("eye_down", 0.3))
        svg.path(whole, fill="none", stroke="#1a120c", sw=w * 0.14)
        draw_eye(svg, name, o, i, e, st["iris"], eye_style)
        # Tear line towards the muzzle.
        tear_end = lerp(i, L["mouthL"] if name == "eyeLc" else L["mouthR"], 0.4)
        svg.path(tapered(i, lerp(i, tear_end, 0.5), tear_end, w * 0.06), fill="#1a120c",
                 extra='opacity="0.8"')

    # Nose leather and mouth.
    nl_, nr_, nt = L["noseL"], L["noseR"], L["noseTip"]
    nose = [nl_, add(mid(nl_, nr_), (0, -3)), nr_, lerp(nr_, nt, 0.6), nt, lerp(nl_, nt, 0.6)]
    svg.path(smooth_path(nose, tension=0.7), fill=st.get("nose", "#c97a6e"), stroke="#2a1812", sw=2.5)
    svg.path(f"M{pt(nt)} L{pt(L['lipTop'])}", stroke="#2a1812", sw=3)
    for m in (L["mouthL"], L["mouthR"]):
        c = (lerp(L["lipTop"], m, 0.5)[0], max(L["lipTop"][1], m[1]) + 10)
        svg.path(f"M{pt(L['lipTop'])} Q{pt(c)} {pt(m)}", stroke="#2a1812", sw=3)
    # Whisker spots and whiskers.
    for s, m in ((-1, L["mouthL"]), (1, L["mouthR"])):
        base = lerp(L["lipTop"], m, 0.55)
        base = (base[0], muzzle_y - 4)
        for r in range(3):
            for c in range(3):
                svg.circle(add(base, (s * (c * 9 - 6), r * 8 - 8)), 1.8, fill="#3a2a20")
        for k in range(5):
            a = add(base, (s * 8, k * 5 - 10))
            b = add(a, (s * mw * 1.6, (k - 2) * mw * 0.35))
            svg.path(f"M{pt(a)} Q{pt(add(mid(a, b), (0, -8)))} {pt(b)}", stroke="#fdfbf5", sw=1.4,
                     extra='opacity="0.85"')
    return svg.text()


# ---------------------------------------------------------------------------------------------
# Cushaw squash
# ---------------------------------------------------------------------------------------------

def cushaw_outline(spine, widths):
    """Left and right outline points along a spine polyline with given widths."""
    left, right = [], []
    for i, (p, w) in enumerate(zip(spine, widths)):
        a = spine[max(i - 1, 0)]
        b = spine[min(i + 1, len(spine) - 1)]
        n = unit(perp(sub(b, a)))
        left.append(add(p, mul(n, w / 2)))
        right.append(add(p, mul(n, -w / 2)))
    return left, right


def cushaw(spine, widths, st):
    svg = Svg(st["w"], st["h"])
    W, H = st["w"], st["h"]
    gradient_bg(svg, "bg", "#fbf3e0", "#e9d6b0", radial=False)
    # Table top.
    svg.add(f'<rect x="0" y="{int(H * 0.78)}" width="{W}" height="{H}" fill="#b98a5a"/>')
    svg.add(f'<rect x="0" y="{int(H * 0.78)}" width="{W}" height="6" fill="#a27548"/>')
    left, right = cushaw_outline(spine, widths)
    bottom = spine[-1]
    svg.ellipse((bottom[0] + 10, bottom[1] + 4), widths[-3] * 0.55, 16, fill="#000", extra='opacity="0.25"')
    outline = left[:-1] + [add(bottom, (0, 2))] + right[-2::-1]
    d = smooth_path(outline)
    svg.define('<clipPath id="gourd"><path d="' + d + '"/></clipPath>')
    svg.define('<linearGradient id="skin" x1="0" y1="0" x2="1" y2="0">'
               '<stop offset="0" stop-color="#cfd9b0"/><stop offset="0.45" stop-color="#f4f2dc"/>'
               '<stop offset="1" stop-color="#b7c493"/></linearGradient>')
    svg.path(d, fill="url(#skin)")
    svg.add('<g clip-path="url(#gourd)">')
    # Green mottled stripes running along the body.
    for f in (-0.85, -0.55, -0.25, 0.1, 0.42, 0.72):
        pts_a, pts_b = [], []
        for i, (p, w) in enumerate(zip(spine, widths)):
            a = spine[max(i - 1, 0)]
            b = spine[min(i + 1, len(spine) - 1)]
            n = unit(perp(sub(b, a)))
            wig = 0.05 * math.sin(i * 1.7 + f * 5)
            pts_a.append(add(p, mul(n, (f + wig) * w / 2)))
            pts_b.append(add(p, mul(n, (f + 0.1 + wig) * w / 2)))
        svg.path(smooth_path(pts_a + pts_b[::-1]), fill="#4f7a3a", extra='opacity="0.8"')
    # Shading on the right side.
    svg.path(smooth_path(right + [add(p, mul(unit(sub(l, r)), 0.25 * dist(l, r)))
                                  for l, r, p in zip(left[::-1], right[::-1], spine[::-1])]),
             fill="#2f4a22", extra='opacity="0.18"')
    svg.add('</g>')
    svg.path(d, stroke="#5b6b3a", sw=2.5)
    # Stem.
    top = spine[0]
    a = unit(sub(spine[0], spine[1]))
    tip = add(top, mul(a, 34))
    svg.path(tapered(add(top, mul(a, -4)), add(mid(top, tip), (6, 0)), tip, 9), fill="#7d6a3a",
             stroke="#4d4020", sw=2)
    return svg.text()
