"""Reads an animated picture (WebP, APNG, GIF) with Pillow, the way a browser-side consumer
would: prints one JSON line with the format, size, frame count, loop count and each frame's
duration, and writes every frame as raw RGB rows (top-down) one after another to RAWFILE."""
import json
import sys

from PIL import Image, ImageSequence

path, raw_path = sys.argv[1], sys.argv[2]
with Image.open(path) as picture:
    durations = []
    with open(raw_path, "wb") as raw:
        for frame in ImageSequence.Iterator(picture):
            rgb = frame.convert("RGB")  # loads the frame, and with it its duration
            durations.append(frame.info.get("duration", -1))
            raw.write(rgb.tobytes())
    print(json.dumps({
        "format": picture.format,
        "width": picture.width,
        "height": picture.height,
        "frames": getattr(picture, "n_frames", 1),
        "loop": picture.info.get("loop", -1),
        "durations": durations,
    }))
