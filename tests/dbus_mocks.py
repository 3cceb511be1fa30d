#!/usr/bin/python3
"""Mock system services on the bus in DBUS_SYSTEM_BUS_ADDRESS (a private
bus the test started), for the program's power and drive paths:

    dbus_mocks.py logind LOGFILE [failure-message]
    dbus_mocks.py udisks LOGFILE DEVICE
    dbus_mocks.py notifications LOGFILE

Prints "ready" once the service answers; every call is logged to LOGFILE.
"""
import os
import subprocess
import sys
import time

import dbus
import dbusmock


def wait_for(bus, name):
    for _ in range(200):
        if bus.name_has_owner(name):
            return
        time.sleep(0.05)
    raise SystemExit(f"{name} did not appear")


def main():
    kind, log = sys.argv[1], sys.argv[2]
    bus = dbus.bus.BusConnection(os.environ["DBUS_SYSTEM_BUS_ADDRESS"])
    if kind == "logind":
        server = subprocess.Popen([sys.executable, "-m", "dbusmock", "--system", "--template", "logind", "--logfile", log])
        wait_for(bus, "org.freedesktop.login1")
        if len(sys.argv) > 3:
            mock = dbus.Interface(bus.get_object("org.freedesktop.login1", "/org/freedesktop/login1"), dbusmock.MOCK_IFACE)
            mock.AddMethod("org.freedesktop.login1.Manager", "PowerOff", "b", "",
                           f"raise dbus.exceptions.DBusException({sys.argv[3]!r}, "
                           "name='org.freedesktop.DBus.Error.InteractiveAuthorizationRequired')")
    elif kind == "notifications":
        # A desktop's notification service; the bus stands for a session bus here.
        session = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=os.environ["DBUS_SYSTEM_BUS_ADDRESS"])
        server = subprocess.Popen([sys.executable, "-m", "dbusmock", "--template", "notification_daemon", "--logfile", log],
                                  env=session)
        wait_for(bus, "org.freedesktop.Notifications")
    else:
        device = sys.argv[3]
        block = "/org/freedesktop/UDisks2/block_devices/sr7"
        drive = "/org/freedesktop/UDisks2/drives/TestDrive"
        server = subprocess.Popen([sys.executable, "-m", "dbusmock", "--system", "--logfile", log, "org.freedesktop.UDisks2",
                                   "/org/freedesktop/UDisks2/Manager", "org.freedesktop.UDisks2.Manager"])
        wait_for(bus, "org.freedesktop.UDisks2")
        mock = dbus.Interface(bus.get_object("org.freedesktop.UDisks2", "/org/freedesktop/UDisks2/Manager"), dbusmock.MOCK_IFACE)
        mock.AddMethod("", "ResolveDevice", "a{sv}a{sv}", "ao",
                       f"ret = [dbus.ObjectPath({block!r})] if args[0].get('path') == {device!r} else []")
        mock.AddObject(block, "org.freedesktop.UDisks2.Block",
                       {"Drive": dbus.ObjectPath(drive), "Device": dbus.ByteArray(device.encode() + b"\0")},
                       [])
        block_mock = dbus.Interface(bus.get_object("org.freedesktop.UDisks2", block), dbusmock.MOCK_IFACE)
        block_mock.AddMethod("org.freedesktop.UDisks2.Filesystem", "Unmount", "a{sv}", "", "")
        mock.AddObject(drive, "org.freedesktop.UDisks2.Drive", {"Ejectable": True},
                       [("Eject", "a{sv}", "", "")])
    print("ready", flush=True)
    try:
        server.wait()
    finally:
        server.terminate()


if __name__ == "__main__":
    main()
