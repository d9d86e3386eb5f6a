"""Reads the window's accessibility tree as a screen reader would (AT-SPI):
passes when, within the time given, the window shows a progress bar with a
value above 0 and a message row whose name starts with the word given (the
translated "Error: ") and holds the text given (the job's error, not the
legend row). Arguments: application name, word, text, seconds."""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def walk(node, depth=0):
    yield node
    # The item list's many cells are not looked at: reading them is slow.
    if depth > 12 or node.get_child_count() > 100:
        return
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from walk(child, depth + 1)


def value_of(node):
    value = node.get_value_iface()
    return None if value is None else value.get_current_value()


def main():
    app_name, word, text, seconds = sys.argv[1], sys.argv[2], sys.argv[3], float(sys.argv[4])
    progress = error_row = bar = None
    end = time.time() + seconds
    last_walk = 0.0
    while time.time() < end and (progress is None or error_row is None):
        # A walk over every row is slow; the bar, once found, is read often.
        if (bar is None or error_row is None) and time.time() - last_walk > 1:
            last_walk = time.time()
            desktop = Atspi.get_desktop(0)
            for i in range(desktop.get_child_count()):
                app = desktop.get_child_at_index(i)
                if app is None or app.get_name() != app_name:
                    continue
                for node in walk(app):
                    try:
                        name = node.get_name() or ""
                        if bar is None and node.get_role() == Atspi.Role.PROGRESS_BAR:
                            bar = node
                        if error_row is None and name.startswith(word) and text in name:
                            error_row = name
                    except gi.repository.GLib.Error:
                        continue  # a row that went away meanwhile
        if bar is not None and progress is None:
            current = value_of(bar)
            if current is not None and current > 0:
                progress = (bar.get_name(), current)
        time.sleep(0.1)
    print("progress bar:", progress)
    print("error row:", error_row)
    return 0 if progress is not None and error_row is not None else 1


sys.exit(main())
