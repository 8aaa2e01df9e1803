#!/usr/bin/python3
"""Drops files on an X11 window the way a file manager does (the XDND protocol), so that a
Win32 program under Wine receives WM_DROPFILES.

Usage: xdnd_drop.py WINDOW-TITLE FILE...   (waits up to 10 s for the window)
"""
import sys
import time
import urllib.parse

from Xlib import X, Xatom, display, protocol

XDND_VERSION = 5


def find_window(d, title, deadline):
    aware = d.intern_atom("XdndAware")
    while time.time() < deadline:
        stack = [d.screen().root]
        while stack:
            window = stack.pop()
            try:
                name = window.get_wm_name()
                if name == title and window.get_full_property(aware, X.AnyPropertyType):
                    return window
                stack.extend(window.query_tree().children)
            except Exception:  # windows come and go while we walk the tree
                continue
        time.sleep(0.05)
    raise SystemExit("no window titled %r" % title)


def client_message(d, target, source, message_type, data):
    event = protocol.event.ClientMessage(
        window=target, client_type=d.intern_atom(message_type), data=(32, data))
    target.send_event(event, event_mask=0)
    d.flush()


def wait_for(d, source, wanted, uri_list, deadline):
    """Answers selection requests until a client message of type `wanted` arrives."""
    selection = d.intern_atom("XdndSelection")
    wanted_atom = d.intern_atom(wanted)
    while time.time() < deadline:
        if not d.pending_events():
            time.sleep(0.01)
            continue
        event = d.next_event()
        if event.type == X.SelectionRequest and event.selection == selection:
            event.requestor.change_property(event.property, event.target, 8, uri_list)
            notify = protocol.event.SelectionNotify(
                time=event.time, requestor=event.requestor, selection=event.selection,
                target=event.target, property=event.property)
            event.requestor.send_event(notify, event_mask=0)
            d.flush()
        elif event.type == X.ClientMessage and event.client_type == wanted_atom:
            return event
    raise SystemExit("no %s from the target" % wanted)


def main():
    title, files = sys.argv[1], sys.argv[2:]
    d = display.Display()
    deadline = time.time() + 10
    target = find_window(d, title, deadline)
    source = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    source.set_selection_owner(d.intern_atom("XdndSelection"), X.CurrentTime)
    uri_type = d.intern_atom("text/uri-list")
    uri_list = "".join("file://" + urllib.parse.quote(f) + "\r\n" for f in files).encode()

    geometry = target.get_geometry()
    origin = target.translate_coords(d.screen().root, 0, 0)
    x = -origin.x + geometry.width // 2
    y = -origin.y + geometry.height // 2

    client_message(d, target, source, "XdndEnter",
                   [source.id, XDND_VERSION << 24, uri_type, 0, 0])
    client_message(d, target, source, "XdndPosition",
                   [source.id, 0, (x << 16) | y, X.CurrentTime, d.intern_atom("XdndActionCopy")])
    status = wait_for(d, source, "XdndStatus", uri_list, deadline)
    if not status.data[1][1] & 1:
        raise SystemExit("the target does not accept the drop")
    client_message(d, target, source, "XdndDrop", [source.id, 0, X.CurrentTime, 0, 0])
    wait_for(d, source, "XdndFinished", uri_list, deadline)


if __name__ == "__main__":
    main()
