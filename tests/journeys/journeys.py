#!/usr/bin/python3
"""Journeys through the built program as a user takes them: real input on a private X desktop
(under openbox, or with no window manager), with the preview's pixels compared against the
off-screen render of the frame its read-out names.

    journeys.py --bin build/bin --wm openbox|none NAME
"""

import argparse
import json
import os
import subprocess
import sys
import time

import numpy as np
from PIL import Image

from kestrelle import IDS, MAIN_TITLE, Failure, Kestrelle, difference
from xdesk import SCREEN_SIZE, Desktop, wait_for

PROJECT = "boytobill.fmph"
WIZARD_TITLE = "项目向导"
OUTPUT_TITLE = "动画输出"
WX_ID_CANCEL = 5101  # the toolkit's id of a dialog's cancel button
DESIGN_SIZE = (1016, 760)  # the main window's size, with its frame, when it is not maximised


def check(condition, message):
    if not condition:
        raise Failure(message)


def start_with_project(desk, bin_dir):
    k = Kestrelle(desk, bin_dir, ["samples/" + PROJECT])
    k.project = k.path("samples", PROJECT)
    if desk.wm:
        k.wait("the main window maximised", lambda: (k.main() or {}).get("maximized"))
    k.wait_panes_correct()
    k.frame = k.wait_preview_correct(k.project)
    return k


def cancel_wizard(k):
    # Where it stands once it has the focus: a window manager may still move it before that.
    wizard = k.wait("the wizard active", lambda: next((w for w in k.windows(WIZARD_TITLE) if w["active"]), None))
    time.sleep(0.3)
    wizard = k.windows(WIZARD_TITLE)[0]
    cancel = k.control(wizard, text="取消")
    check(cancel, "the wizard has no 取消 button")
    k.click_control(cancel)
    k.wait("the wizard to close", lambda: not k.windows(WIZARD_TITLE))


def pairs(k):
    """Key-point pairs of the project as saved, image1 side: [(x, y), ...]."""
    out = subprocess.run([k.cli, "mesh", k.project], check=True, capture_output=True, text=True).stdout
    mesh = json.loads(out)
    return [(p["x1"], p["y1"]) for p in mesh["pairs"]]


def save(k):
    """文件 › 保存项目, which asks for the name: a new one each time (no question about
    replacing a file). The saved file becomes the project the checks render."""
    k.saves = getattr(k, "saves", 0) + 1
    k.menu(0, 4)  # 文件 › 保存项目
    k.project = k.path("edited%d.fmph" % k.saves)
    k.choose_file(k.project)
    k.wait("the project saved", lambda: os.path.exists(k.project))
    time.sleep(0.2)


def picture_point(k, frac_x, frac_y):
    """Screen point at a fraction of pane 1's visible picture."""
    canvas = next(c for c in k.main()["controls"] if "areas" in c)
    x, y, w, h = canvas["areas"]["picture1"]
    return int(x + w * frac_x), int(y + h * frac_y)


def zoom1(k):
    return float(k.main_control(IDS["kZoomButton1"])["text"].rstrip("%")) / 100.0


# ---------------------------------------------------------------- the journeys

def journey_wizard(desk, bin_dir):
    """A first start greets the user with the wizard, on top of the main window and with the
    keyboard focus; 取消 leaves the main window to the user."""
    k = Kestrelle(desk, bin_dir)
    try:
        wizard = k.wait("the wizard", lambda: next(iter(k.windows(WIZARD_TITLE)), None))
        k.wait("the main window", k.main)
        wiz_top = k.wait("the wizard on the X server", lambda: desk.top_level(WIZARD_TITLE)[0])
        main_top = k.wait("the main window on the X server", lambda: desk.top_level(MAIN_TITLE)[0])
        order = desk.stacking_order()
        check(order.index(wiz_top) > order.index(main_top), "the wizard is below the main window")
        k.wait("the wizard to have the focus", lambda: desk.focused_top_level() == wiz_top, 10)
        k.wait("the wizard active", lambda: any(w["active"] for w in k.windows(WIZARD_TITLE)))
        # Keys go to the wizard: Tab moves its focus between its own controls.
        focus_before = [c["id"] for c in wizard["controls"] if c["focus"]]
        desk.key("Tab")
        k.wait("Tab to move the wizard's focus", lambda: [c["id"] for c in k.windows(WIZARD_TITLE)[0]["controls"]
                                                          if c["focus"]] not in ([], focus_before), 5)
        cancel_wizard(k)
        if desk.wm:
            k.wait("the main window active again", lambda: k.main()["active"])
        check(k.quit() == 0, "the program ended with status %s" % k.proc.returncode)
    except Exception:
        k.close(keep=True)
        raise
    k.close()


def journey_command_line(desk, bin_dir):
    """A project named on the command line: both panes show their pictures and the preview the
    middle frame, in the maximised window a window manager gives it."""
    k = start_with_project(desk, bin_dir)
    try:
        frame, frames, _ = k.readout()
        check(frame == frames // 2, "the preview starts at frame %d, not %d" % (frame, frames // 2))
        if desk.wm:
            x, y, w, h = k.main()["rect"]
            check(w >= SCREEN_SIZE[0] - 10 and h >= SCREEN_SIZE[1] - 60, "not maximised: %r" % k.main()["rect"])
        else:
            check(tuple(k.main()["rect"][2:]) == DESIGN_SIZE, "window size %r" % k.main()["rect"])
        check(k.quit() == 0, "the program ended with status %s" % k.proc.returncode)
    except Exception:
        k.close(keep=True)
        raise
    k.close()


def journey_open_chooser(desk, bin_dir):
    """文件 › 打开项目 through the desktop's file chooser: the preview shows the middle frame
    once the chooser is gone, not what the chooser left behind."""
    k = Kestrelle(desk, bin_dir)
    try:
        cancel_wizard(k)
        k.project = k.path("samples", PROJECT)
        k.menu(0, 1)  # 文件 › 打开项目
        k.choose_file(k.project)
        k.wait_panes_correct()
        frame = k.wait_preview_correct(k.project)
        frames = k.readout()[1]
        check(frame == frames // 2, "the preview shows frame %d after opening, not %d" % (frame, frames // 2))
        check(k.quit() == 0, "the program ended with status %s" % k.proc.returncode)
    except Exception:
        k.close(keep=True)
        raise
    k.close()


def journey_edit(desk, bin_dir):
    """A pair added with the add tool, dragged and deleted: the saved project and the preview
    follow each step."""
    k = start_with_project(desk, bin_dir)
    try:
        original = pairs(k)
        k.click_main(IDS["kToolFirst"] + 1)  # the add tool
        at = picture_point(k, 0.12, 0.88)
        desk.click(*at)
        save(k)
        added = [p for p in pairs(k) if p not in original]
        check(len(pairs(k)) == len(original) + 1 and len(added) == 1, "the click added %d pairs" % len(added))
        k.wait_preview_correct(k.project)

        z = zoom1(k)
        desk.drag(at, (at[0] + 24, at[1] - 18))
        save(k)
        moved = [p for p in pairs(k) if p not in original]
        check(len(moved) == 1 and len(pairs(k)) == len(original) + 1, "the drag changed the pair count")
        dx, dy = moved[0][0] - added[0][0], moved[0][1] - added[0][1]
        check(abs(dx - 24 / z) <= 2 / z + 1 and abs(dy + 18 / z) <= 2 / z + 1,
              "the pair moved by %d,%d picture pixels, not %.0f,%.0f" % (dx, dy, 24 / z, -18 / z))
        k.wait_preview_correct(k.project)

        k.click_main(IDS["kToolFirst"] + 2)  # the delete tool
        desk.click(at[0] + 24, at[1] - 18)
        save(k)
        check(sorted(pairs(k)) == sorted(original), "the delete left %d pairs of %d" % (len(pairs(k)), len(original)))
        # A deletion shows the last frame: preview, slider and read-out alike.
        frame = k.wait_preview_correct(k.project)
        check(frame == k.readout()[1], "after the delete the window shows frame %d, not the last" % frame)
        check(k.quit() == 0, "the program ended with status %s" % k.proc.returncode)
    except Exception:
        k.close(keep=True)
        raise
    k.close()


def journey_play_pause(desk, bin_dir):
    """Play, then pause: the preview stands on the frame the read-out names."""
    k = start_with_project(desk, bin_dir)
    try:
        k.click_main(IDS["kPlayPauseButton"])
        k.wait("playback to move the read-out", lambda: k.readout()[0] != k.frame, 5)
        time.sleep(0.5)
        k.click_main(IDS["kPlayPauseButton"])
        time.sleep(0.3)
        paused = k.readout()[0]
        time.sleep(0.5)
        check(k.readout()[0] == paused, "the read-out still moves after the pause")
        frame = k.wait_preview_correct(k.project)
        check(frame == paused, "the preview settled on frame %d, the read-out said %d" % (frame, paused))
        check(k.quit() == 0, "the program ended with status %s" % k.proc.returncode)
    except Exception:
        k.close(keep=True)
        raise
    k.close()


def _frame_geometry(desk, k):
    """The main window's outer rectangle on the screen, with the window manager's frame."""
    return desk.geometry(k.main_top_level())


def journey_maximise_restore_resize(desk, bin_dir):
    """Maximise, restore and resize: the panes and preview follow each new client size, and a
    restore returns to the design size centred on the screen."""
    k = start_with_project(desk, bin_dir)
    try:
        def settled(client):
            """Waits for a client rectangle that `client` accepts, then for panes and preview."""
            k.wait("the new client size", lambda: client(k.main()["client"]))
            k.wait_panes_correct()
            k.wait_preview_correct(k.project)

        if desk.wm:
            maximised = k.main()["client"]
            fx, fy, fw, fh = _frame_geometry(desk, k)
            desk.click(fx + fw // 2, fy + 6, count=2)  # a double click on the title bar restores
            k.wait("the window restored", lambda: not k.main()["maximized"])
            k.wait("the design size again", lambda: tuple(k.main()["rect"][2:]) == DESIGN_SIZE)
            settled(lambda c: c != maximised)
            x, y, w, h = k.main()["rect"]
            check(abs(x + w / 2 - SCREEN_SIZE[0] / 2) <= 40 and abs(y + h / 2 - SCREEN_SIZE[1] / 2) <= 40,
                  "the restored window stands off centre at %r" % (k.main()["rect"],))
            x, y, w, h = k.main()["client"]
            # Alt and the right button drag resize under openbox, as under most desktops.
            desk.drag((x + w - 30, y + h - 30), (x + w + 90, y + h + 70), number=3, modifier="Alt_L")
            settled(lambda c: c[2] > w + 40 and c[3] > h + 30)
            fx, fy, fw, fh = _frame_geometry(desk, k)
            desk.click(fx + fw // 2, fy + 6, count=2)  # and maximises again
            k.wait("the window maximised again", lambda: k.main()["maximized"])
            settled(lambda c: c == maximised)
        else:
            top = k.main_top_level()
            before = k.main()["client"]
            desk.move_resize(top, (0, 0, 1200, 940))
            settled(lambda c: c[2] == 1200 and c[3] > before[3] + 150)
            desk.move_resize(top, (20, 10, 900, 700))
            settled(lambda c: c[2] == 900 and c[3] < before[3])
        check(k.quit() == 0, "the program ended with status %s" % k.proc.returncode)
    except Exception:
        k.close(keep=True)
        raise
    k.close()


def journey_export_gif(desk, bin_dir):
    """The GIF button, the output dialog and the save chooser write an animation of N + 1 frames
    whose first frame is frame 0."""
    k = start_with_project(desk, bin_dir)
    try:
        _, frames, size = k.readout()
        k.click_main(IDS["kOutputGif"])
        dialog = k.wait("the output dialog", lambda: next(iter(k.windows(OUTPUT_TITLE)), None))
        k.click_control(k.control(dialog, text="输出..."))
        target = k.path("journey.gif")
        k.choose_file(target)
        k.wait("the animation written", lambda: _gif_frames(target) == frames + 1, 120)
        # The dialog names the written file once the run has ended; its cancel button closes it.
        dialog = k.wait("the output dialog's results",
                        lambda: next((w for w in k.windows(OUTPUT_TITLE) if k.control(w, text="journey.gif")), None), 60)
        k.click_control(k.control(dialog, WX_ID_CANCEL))
        k.wait("the output dialog to close", lambda: not k.windows(OUTPUT_TITLE))
        with Image.open(target) as gif:
            gif.seek(0)
            first = gif.convert("RGB")
        expected = k.render(k.project, 0, frames, size)
        check(first.size == size, "the GIF is %r, the output size %r" % (first.size, size))
        mean, bad = difference(np.asarray(first), expected)
        # The GIF's palette and dithering add a few levels on top of the frame itself.
        check(mean <= 8 and bad <= 0.05, "the GIF's first frame is not frame 0 (mean %.1f, bad %.3f)" % (mean, bad))
        check(k.quit() == 0, "the program ended with status %s" % k.proc.returncode)
    except Exception:
        k.close(keep=True)
        raise
    k.close()


def _gif_frames(path):
    try:
        with Image.open(path) as gif:
            return gif.n_frames
    except (OSError, ValueError, SyntaxError):
        return 0


JOURNEYS = {
    "wizard": journey_wizard,
    "command-line": journey_command_line,
    "open-chooser": journey_open_chooser,
    "edit": journey_edit,
    "play-pause": journey_play_pause,
    "maximise-restore-resize": journey_maximise_restore_resize,
    "export-gif": journey_export_gif,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", required=True, help="folder of the built kestrelle and kestrelle-cli")
    parser.add_argument("--wm", default="openbox", help="window manager, or 'none'")
    parser.add_argument("journey", choices=sorted(JOURNEYS))
    args = parser.parse_args()
    with Desktop(None if args.wm == "none" else args.wm) as desk:
        try:
            JOURNEYS[args.journey](desk, args.bin)
        except Failure as e:
            print("FAILED: %s" % e, file=sys.stderr)
            return 1
    print("passed: %s (%s)" % (args.journey, args.wm))
    return 0


if __name__ == "__main__":
    sys.exit(main())
