#!/usr/bin/python3
"""Reads the program's message box over the accessibility bus the way a screen reader does when
the box appears, and checks what it would say: a box announced as an alert, named by its title,
whose whole text is read out with it, with a focused or default OK button.

Usage: read_box_aloud.py PID TITLE TEXT [SECONDS]
Waits at most SECONDS (10) for the box; exits 0 when it reads right, 1 with FAIL lines saying
what a screen reader would have got instead.
Runs with Debian's /usr/bin/python3, which has pyatspi.
"""
import os
import sys
import time

import pyatspi


def fs_text(argument):
    # The text arrives as the test's bytes whatever the locale; the bus speaks UTF-8.
    return os.fsencode(argument).decode("utf-8")


def has_state(accessible, state):
    try:
        return accessible.getState().contains(state)
    except Exception:
        return False


def text_of(accessible):
    try:
        text = accessible.queryText()
    except NotImplementedError:
        return ""
    return text.getText(0, -1)


def descendants(accessible, depth=0):
    # Boxes are shallow; the bound keeps a broken tree from looping.
    if depth > 12:
        return
    for i in range(accessible.childCount):
        child = accessible.getChildAtIndex(i)
        if child is not None:
            yield child
            yield from descendants(child, depth + 1)


def describe(accessible):
    parts = [f"role '{accessible.getRoleName()}'", f"name '{accessible.name}'"]
    if accessible.description:
        parts.append(f"description '{accessible.description}'")
    text = text_of(accessible)
    if text and text != accessible.name:
        parts.append(f"text '{text}'")
    return ", ".join(parts)


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        try:
            if app.get_process_id() == pid:
                # Roles, names and states may have changed since the last look.
                app.clearCache()
                return app
        except Exception:
            continue  # an application that just left the bus
    return None


def box_of(app):
    """The shown window other than the menu window, an alert first."""
    shown = [w for w in app if w is not None and has_state(w, pyatspi.STATE_SHOWING)]
    alerts = [w for w in shown if w.getRole() == pyatspi.ROLE_ALERT]
    others = [w for w in shown if w.getRole() != pyatspi.ROLE_FRAME]
    return (alerts or others or [None])[0], shown


def read_out(box):
    """The texts a screen reader reads out with a box when it appears besides its name, role and
    description: those of its shown labels; then it names the focused control."""
    labels = [
        a for a in descendants(box)
        if a.getRole() in (pyatspi.ROLE_LABEL, pyatspi.ROLE_STATIC)
        and has_state(a, pyatspi.STATE_SHOWING)
    ]
    label_texts = [a.name or text_of(a) for a in labels]
    focused = [a for a in descendants(box) if has_state(a, pyatspi.STATE_FOCUSED)]
    return label_texts, focused


def check(pid, title, text):
    """The failures of one look at the program, empty when the box reads right."""
    app = application(pid)
    if app is None:
        names = [a.name for a in pyatspi.Registry.getDesktop(0) if a is not None]
        return [f"the program (pid {pid}) is not on the accessibility bus, so a screen reader "
                f"hears nothing of it; applications there: {names}"]
    if app.name != "whichkontakt":
        return [f"the program calls itself '{app.name}' on the accessibility bus, "
                f"expected 'whichkontakt'"]
    box, shown = box_of(app)
    if box is None:
        return ["the program shows no box on the accessibility bus; its shown windows: "
                + "; ".join(describe(w) for w in shown)]

    failures = []
    label_texts, focused = read_out(box)
    spoken = [f"{box.name} {box.getRoleName()}"]
    if box.description:
        spoken.append(box.description)
    spoken += label_texts
    spoken += [f"{a.name} {a.getRoleName()}" for a in focused if a.name]
    heard = ". ".join(spoken)

    if box.getRole() != pyatspi.ROLE_ALERT:
        failures.append(f"the box has role '{box.getRoleName()}', expected 'alert': "
                        "a screen reader does not announce it as an alert")
    if box.name != title:
        failures.append(f"the box is named '{box.name}', expected '{title}'")
    if text not in box.description and not any(text in t for t in label_texts):
        elsewhere = [describe(a) for a in descendants(box) if text in text_of(a) or text in a.name]
        failures.append(
            f"the box's text is not read out when it appears: description '{box.description}', "
            f"label texts {label_texts}; expected one of them to hold '{text}'"
            + (f"; the text is only in: {'; '.join(elsewhere)}" if elsewhere else ""))
    buttons = [
        a for a in descendants(box)
        if a.getRole() == pyatspi.ROLE_PUSH_BUTTON and a.name == "OK"
        and has_state(a, pyatspi.STATE_SHOWING)
    ]
    if not buttons:
        failures.append("the box has no shown push button 'OK'; its parts: "
                        + "; ".join(describe(a) for a in descendants(box)))
    elif not any(has_state(b, pyatspi.STATE_FOCUSED) or has_state(b, pyatspi.STATE_IS_DEFAULT)
                 for b in buttons):
        failures.append("the OK button is neither focused nor the default one")
    if failures:
        failures.append(f"a screen reader would say: \"{heard}\"")
    return failures


def main():
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    pid, title, text = int(sys.argv[1]), fs_text(sys.argv[2]), fs_text(sys.argv[3])
    deadline = time.monotonic() + (float(sys.argv[4]) if len(sys.argv) == 5 else 10)
    # The bridge registers the program and its box a moment after the window appears.
    while True:
        try:
            failures = check(pid, title, text)
        except Exception as error:  # a window that went away while being read
            failures = [f"reading the program over the accessibility bus failed: {error!r}"]
        if not failures or time.monotonic() >= deadline:
            break
        time.sleep(0.2)
    for failure in failures:
        print(f"FAIL: {failure}", file=sys.stderr)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
