#!/usr/bin/env python3
"""Drives the built programs from outside, through the accessibility bus,
as a screen reader user would: find controls by what they are called, press
them, type into entries, read the results and answer the messages.

usage: test_atspi.py AMBRIX CENDREL
"""
import contextlib
import subprocess
import sys
import time

import pyatspi

TIMEOUT = 15.0
failures = []
passes = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    (passes if condition else failures).append(what)


def wait_for(find, what):
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        try:
            found = find()
        except Exception:  # the tree changes while we look
            found = None
        if found:
            return found
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def walk(acc):
    yield acc
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def showing(acc):
    return acc.getState().contains(pyatspi.STATE_SHOWING)


def application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    return wait_for(lambda: next((a for a in desktop if a is not None and a.name == name), None),
                    "application " + name)


def window(app, title):
    return wait_for(lambda: next((w for w in app if w is not None and w.name == title and showing(w)), None),
                    "window " + title)


def windows(app):
    return sorted(w.name for w in app if w is not None and showing(w))


def control(root, role, name=None, description=None):
    def find():
        for acc in walk(root):
            if acc.getRoleName() != role or not showing(acc):
                continue
            if name is not None and acc.name != name:
                continue
            # A result's description names it and then gives its exact
            # figures: "色容差结果：SDCM（IEC 60081）…".
            if description is not None and acc.description.split("：")[0] != description:
                continue
            return acc
        return None
    return wait_for(find, f"{role} {name or description!r}")


def press(acc):
    action = acc.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    action.doAction(names.index("Press") if "Press" in names else 0)


def type_into(entry, text):
    entry.queryEditableText().setTextContents(text)


def answer_message(app, expected_text):
    """The modal message: its title, its text, and its one button pressed."""
    box = window(app, "出错")
    labels = [a.name for a in walk(box) if a.getRoleName() == "label"]
    buttons = [a for a in walk(box) if a.getRoleName() == "push button"]
    check(expected_text in labels, f"message 出错 says {expected_text!r} (saw {labels})")
    check(len(buttons) == 1 and buttons[0].name == "确定", "message has one button 确定")
    press(buttons[0])
    wait_for(lambda: "出错" not in windows(app), "the message to close")


def label_with_description(root, description):
    return control(root, "label", description=description)


@contextlib.contextmanager
def running(program):
    """The program, started for one road and ended after it."""
    proc = subprocess.Popen([program], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        yield proc
    finally:
        proc.kill()
        proc.wait()


def ambrix_road(program):
    with running(program):
        app = application("ambrix")
        form1 = window(app, "ambrix-[Norvak荧光粉技术支持软件5]")
        press(control(form1, "push button", "GB"))
        form2 = window(app, "中国标准GB-[Norvak荧光粉技术支持软件]")
        check(windows(app) == ["中国标准GB-[Norvak荧光粉技术支持软件]"], "GB leads to Form2 alone")
        press(control(form2, "push button", "4000K"))
        calc = window(app, "CN4000K")

        press(control(calc, "push button", "计算"))
        answer_message(app, "请输入色坐标x,y值后再计算")

        type_into(control(calc, "text", "x 坐标输入框"), "0.3805")
        type_into(control(calc, "text", "y 坐标输入框"), "0.3768")
        press(control(calc, "push button", "计算"))
        wait_for(lambda: label_with_description(calc, "色容差结果").name == "2", "the tolerance 2")
        check(True, "CN4000K 0.3805 / 0.3768 reads 色容差 2")
        check("SDCM（IEC 60081）" in label_with_description(calc, "色容差结果").description,
              "the result's description gives the standard's SDCM")
        check(control(calc, "label", "色容差=") is not None, "the caption 色容差= is shown")

        press(control(calc, "push button", "返回"))
        window(app, "中国标准GB-[Norvak荧光粉技术支持软件]")
        check("CN4000K" not in windows(app), "返 回 leaves CN4000K")
        press(control(window(app, "中国标准GB-[Norvak荧光粉技术支持软件]"), "push button", "返回"))
        window(app, "ambrix-[Norvak荧光粉技术支持软件5]")
        check(windows(app) == ["ambrix-[Norvak荧光粉技术支持软件5]"], "back on Form1 alone")


def cendrel_conversion(program):
    with running(program):
        app = application("cendrel")
        menu = window(app, "NorvakLED荧光粉技术支持专用软件")
        press(control(menu, "push button", "功能 3 按钮：打开 cendrel 色温换算"))
        f4 = window(app, "cendrel")
        check(windows(app) == ["cendrel"], "the green button leaves the converter alone")
        type_into(control(f4, "text", "x 坐标输入框"), "0.3127")
        type_into(control(f4, "text", "y 坐标输入框"), "0.3290")
        press(control(f4, "push button", "计算"))
        wait_for(lambda: label_with_description(f4, "色温结果").name == "6506", "6506")
        check(True, "cendrel 0.3127 / 0.3290 reads 6506")
        check(control(f4, "label", "K") is not None, "the unit K is shown")
        clock = label_with_description(f4, "当前时间")
        first = clock.name
        wait_for(lambda: label_with_description(f4, "当前时间").name not in ("", first), "the clock to tick")
        check(True, "the clock shows the time of day and ticks")


def main():
    ambrix, cendrel = sys.argv[1], sys.argv[2]
    pyatspi.Registry.getDesktop(0)  # starts the accessibility bus
    # What a screen reader does when it starts: ask applications to expose
    # their controls.
    subprocess.run(["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply", "/org/a11y/bus",
                    "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status",
                    "string:IsEnabled", "variant:boolean:true"], check=True, stdout=subprocess.DEVNULL)
    for road in (lambda: ambrix_road(ambrix), lambda: cendrel_conversion(cendrel)):
        try:
            road()
        except AssertionError as e:
            check(False, str(e))
    print(f"accessibility: {len(passes)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
