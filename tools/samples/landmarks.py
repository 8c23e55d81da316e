"""Landmark points of every sample picture, in that picture's pixel coordinates.

The same name means the same feature in every picture (for the big cats the
"hairTopL/R" names are the ear tips, the hair of a person becoming the ears of
the cat), so the key-point pairs of a sample are the names both pictures share.
"""


def mirror(d, cx):
    """Complete a dictionary of left-side points ("...L...") with mirrored right-side points."""
    out = dict(d)
    for k, (x, y) in d.items():
        if "L" in k:
            i = k.rindex("L")
            r = k[:i] + "R" + k[i + 1:]
            if r not in d:
                out[r] = (2 * cx - x, y)
    return out


def _face(centre_x, left, mids):
    d = dict(left)
    d = mirror(d, centre_x)
    d.update(mids)
    # Inner and outer corner names flip when mirrored: eyeL_out -> eyeR_out keeps meaning.
    return d


GIRL = _face(240, {
    "eyeL": (185, 258), "eyeL_out": (153, 256), "eyeL_in": (213, 261),
    "browL_out": (148, 222), "browL_in": (214, 218),
    "noseL": (225, 304), "mouthL": (212, 350), "jawL": (180, 392), "cheekL": (149, 318),
    "templeL": (141, 240), "foreheadL": (157, 175), "hairTopL": (150, 118), "hairL": (102, 300),
    "hairLowL": (112, 505), "earL": (141, 292), "neckL": (209, 430), "shoulderL": (85, 555),
}, {"nose": (240, 300), "lipTop": (240, 343), "lipBot": (240, 366), "chin": (240, 420),
    "hairline": (240, 176), "hairTop": (240, 88)})

BOY = _face(240, {
    "eyeL": (187, 262), "eyeL_out": (157, 261), "eyeL_in": (214, 264),
    "browL_out": (150, 228), "browL_in": (215, 226),
    "noseL": (224, 305), "mouthL": (215, 352), "jawL": (175, 398), "cheekL": (146, 320),
    "templeL": (142, 236), "foreheadL": (160, 178), "hairTopL": (152, 124), "hairL": (112, 300),
    "hairLowL": (118, 500), "earL": (140, 296), "neckL": (206, 440), "shoulderL": (70, 560),
}, {"nose": (240, 300), "lipTop": (240, 346), "lipBot": (240, 364), "chin": (240, 428),
    "hairline": (240, 170), "hairTop": (240, 100)})

BILL = _face(240, {
    "eyeL": (183, 263), "eyeL_out": (153, 262), "eyeL_in": (211, 265),
    "browL_out": (146, 232), "browL_in": (214, 232),
    "noseL": (219, 307), "mouthL": (208, 357), "jawL": (168, 405), "cheekL": (140, 320),
    "templeL": (136, 236), "foreheadL": (154, 170), "hairTopL": (150, 128), "hairL": (106, 300),
    "hairLowL": (110, 500), "earL": (134, 296), "neckL": (199, 445), "shoulderL": (60, 560),
}, {"nose": (240, 302), "lipTop": (240, 350), "lipBot": (240, 370), "chin": (240, 442),
    "hairline": (240, 142), "hairTop": (240, 96)})

LEOPARD = _face(240, {
    "eyeL": (181, 236), "eyeL_out": (147, 226), "eyeL_in": (210, 243),
    "browL_out": (146, 196), "browL_in": (212, 202),
    "noseL": (214, 292), "mouthL": (200, 352), "jawL": (172, 386), "cheekL": (108, 322),
    "templeL": (120, 220), "foreheadL": (172, 140), "hairTopL": (130, 96), "hairL": (72, 300),
    "hairLowL": (104, 470), "earL": (116, 270), "neckL": (176, 430), "shoulderL": (55, 575),
    "earOutL": (112, 178),
}, {"nose": (240, 300), "noseTip": (240, 318), "lipTop": (240, 340), "lipBot": (240, 362),
    "chin": (240, 396), "hairline": (240, 166), "hairTop": (240, 122)})

# The astronaut portrait, cropped to 300 x 360 (x 75..375, y 0..360 of the 512 x 512 original).
ASTRONAUT = {
    "eyeL": (127, 100), "eyeL_out": (118, 100), "eyeL_in": (137, 101),
    "eyeR": (171, 103), "eyeR_in": (162, 103), "eyeR_out": (182, 103),
    "browL_out": (117, 89), "browL_in": (138, 89), "browR_in": (160, 92), "browR_out": (183, 93),
    "nose": (148, 123), "noseL": (142, 126), "noseR": (156, 126),
    "mouthL": (128, 141), "mouthR": (168, 142), "lipTop": (148, 139), "lipBot": (148, 153),
    "chin": (150, 177), "jawL": (112, 157), "jawR": (185, 157),
    "cheekL": (105, 127), "cheekR": (193, 123), "templeL": (107, 97), "templeR": (192, 100),
    "foreheadL": (112, 77), "foreheadR": (187, 78), "hairline": (148, 72),
    "hairTop": (160, 15), "hairTopL": (95, 48), "hairTopR": (205, 40),
    "hairL": (84, 100), "hairR": (219, 105), "hairLowL": (98, 128), "hairLowR": (208, 132),
    "earL": (101, 124), "earR": (205, 127), "neckL": (113, 180), "neckR": (185, 173),
    "shoulderL": (8, 300), "shoulderR": (282, 300),
}

# Chelsea the cat (451 x 300).
CHELSEA = {
    "eyeL": (170, 117), "eyeL_out": (135, 107), "eyeL_in": (205, 130),
    "eyeR": (320, 136), "eyeR_in": (300, 150), "eyeR_out": (346, 128),
    "browL_out": (140, 80), "browL_in": (200, 92), "browR_in": (298, 112), "browR_out": (345, 100),
    "nose": (264, 238), "noseL": (232, 229), "noseR": (292, 232), "noseTip": (257, 262),
    "lipTop": (255, 280), "mouthL": (212, 292), "mouthR": (298, 288),
    "templeL": (20, 110), "templeR": (366, 85), "cheekL": (8, 200), "cheekR": (360, 185),
    "jawR": (338, 245), "jawL": (90, 296),
    "foreheadL": (118, 32), "foreheadR": (328, 38), "hairTop": (250, 2),
    "hairTopL": (62, 2), "hairTopR": (392, 4), "earOutL": (22, 60), "earOutR": (378, 72),
}


def scaled(d, k):
    return {n: (x * k, y * k) for n, (x, y) in d.items()}


def _moved(d, moves):
    return {k: (x + moves.get(k, (0, 0))[0], y + moves.get(k, (0, 0))[1]) for k, (x, y) in d.items()}


# The Mona Lisa homage: the astronaut's pose, with a longer, narrower face and long hair.
MONA = _moved(ASTRONAUT, {
    "mouthL": (4, 1), "mouthR": (-4, 0), "lipBot": (0, -5), "lipTop": (0, 1), "chin": (0, 6),
    "jawL": (3, 4), "jawR": (-3, 4), "cheekL": (3, 0), "cheekR": (-4, 0),
    "eyeL_out": (-1, 1), "eyeR_out": (1, 1), "browL_out": (0, -3), "browR_out": (0, -4),
    "hairTop": (-10, 10), "hairTopL": (2, 6), "hairTopR": (-8, 10), "hairL": (-6, 20),
    "hairR": (6, 18), "hairLowL": (-6, 18), "hairLowR": (6, 16), "neckL": (3, 6), "neckR": (-3, 10),
    "shoulderL": (20, 10), "shoulderR": (-16, 8),
})
