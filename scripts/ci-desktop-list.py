#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# For scripts/ci-desktop: presses the start button of the running malvorn
# window through AT-SPI (the accessibility bus of this D-Bus session) and
# waits until a text of the window holds a line for every name given.
#
#   ci-desktop-list.py NAME...
import sys
import time

from gi.repository import Gio, GLib

session = Gio.bus_get_sync(Gio.BusType.SESSION)


def wait_for(what, find, seconds=30):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            found = find()
        except GLib.Error:
            found = None
        if found:
            return found
        time.sleep(0.2)
    sys.exit(f'ci-desktop-list: {what} not found in {seconds} s')


address = wait_for('the accessibility bus', lambda: session.call_sync(
    'org.a11y.Bus', '/org/a11y/bus', 'org.a11y.Bus', 'GetAddress', None,
    GLib.VariantType('(s)'), Gio.DBusCallFlags.NONE, 5000, None).unpack()[0])
bus = Gio.DBusConnection.new_for_address_sync(
    address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
    None, None)


def call(node, interface, method, args=None, reply=None):
    result = bus.call_sync(node[0], node[1], 'org.a11y.atspi.' + interface, method, args,
                           GLib.VariantType(reply) if reply else None, Gio.DBusCallFlags.NONE, 5000, None)
    return result.unpack() if reply else None


def name(node):
    return bus.call_sync(node[0], node[1], 'org.freedesktop.DBus.Properties', 'Get',
                         GLib.Variant('(ss)', ('org.a11y.atspi.Accessible', 'Name')), GLib.VariantType('(v)'),
                         Gio.DBusCallFlags.NONE, 5000, None).unpack()[0]


def children(node):
    return call(node, 'Accessible', 'GetChildren', None, '(a(so))')[0]


def tree(node, depth=0):
    yield node
    if depth < 12:
        for child in children(node):
            yield from tree(tuple(child), depth + 1)


def application():
    registry = ('org.a11y.atspi.Registry', '/org/a11y/atspi/accessible/root')
    return next((tuple(a) for a in children(registry) if name(tuple(a)) == 'malvorn'), None)


def start_button():
    app = application()
    return app and next((n for n in tree(app) if call(n, 'Accessible', 'GetRoleName', None, '(s)')[0] ==
                 'push button' and name(n).startswith('开始列举')), None)


button = wait_for('the start button', start_button)
call(button, 'Action', 'DoAction', GLib.Variant('(i)', (0, )), '(b)')


def listing():
    for n in tree(application() or ('', '')):
        if 'org.a11y.atspi.Text' not in call(n, 'Accessible', 'GetInterfaces', None, '(as)')[0]:
            continue
        text = call(n, 'Text', 'GetText', GLib.Variant('(ii)', (0, -1)), '(s)')[0]
        lines = {line.strip() for line in text.splitlines()}
        if all(any(line == want or line.endswith('/' + want) for line in lines) for want in sys.argv[1:]):
            return text
    return None


print(wait_for('a listing of ' + ' '.join(sys.argv[1:]), listing), end='')
