#!/usr/bin/python3
"""Writes the window in its main states as PNG files, under openbox and with no window manager:
the wizard, the empty window, a project open, editing, the output dialog, maximised and
restored. A tool to look at the window with, not a test.

    screenshots.py --bin build/bin --out build/screenshots
"""

import argparse
import os
import sys
import time

from journeys import OUTPUT_TITLE, PROJECT, WIZARD_TITLE, cancel_wizard, picture_point, start_with_project
from kestrelle import IDS, Kestrelle
from xdesk import Desktop


def shoot(desk, out, mode, state):
    time.sleep(0.4)  # the last paints land
    path = os.path.join(out, "%s-%s.png" % (mode, state))
    desk.screenshot(path)
    print(path)


def states(desk, bin_dir, out, mode):
    k = Kestrelle(desk, bin_dir)
    try:
        k.wait("the wizard", lambda: k.windows(WIZARD_TITLE))
        shoot(desk, out, mode, "wizard")
        cancel_wizard(k)
        shoot(desk, out, mode, "empty")
        k.quit()
    finally:
        k.close()

    k = start_with_project(desk, bin_dir)
    try:
        shoot(desk, out, mode, "project" if not desk.wm else "project-maximised")
        k.click_main(IDS["kToolFirst"] + 1)
        desk.click(*picture_point(k, 0.12, 0.88))
        desk.move(*picture_point(k, 0.5, 0.5))
        shoot(desk, out, mode, "editing")
        top = k.main_top_level()
        if desk.wm:
            fx, fy, fw, fh = desk.geometry(top)
            desk.click(fx + fw // 2, fy + 6, count=2)
            k.wait("the window restored", lambda: not k.main()["maximized"])
            shoot(desk, out, mode, "restored")
        else:
            desk.move_resize(top, (0, 0, 1280, 1024))
            k.wait("the window resized", lambda: k.main()["client"][2] == 1280)
            k.wait_preview_correct(k.project)
            shoot(desk, out, mode, "screen-sized")
        k.click_main(IDS["kOutputGif"])
        k.wait("the output dialog", lambda: k.windows(OUTPUT_TITLE))
        shoot(desk, out, mode, "output-dialog")
    finally:
        k.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    for wm, mode in (("openbox", "openbox"), (None, "bare")):
        with Desktop(wm) as desk:
            states(desk, args.bin, args.out, mode)
    return 0


if __name__ == "__main__":
    sys.exit(main())
