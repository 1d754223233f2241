#!/usr/bin/python3
"""A stand-in for logind on a private system bus, enough for a headless GNOME Shell in the tests:
one active user session "e2e" that the Shell finds through $XDG_SESSION_ID. The test-only
org.orvane.Test.AnnounceSleep(b) on the manager sends PrepareForSleep(b).

    fakelogind.py READY_FILE   (writes READY_FILE once its name is owned)
"""
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

BUS_NAME = "org.freedesktop.login1"
ROOT = "/org/freedesktop/login1"
SESSION = ROOT + "/session/e2e"
PROPS = "org.freedesktop.DBus.Properties"


class Object(dbus.service.Object):
    interface = ""
    properties = {}

    @dbus.service.method(PROPS, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.properties[name]

    @dbus.service.method(PROPS, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return dbus.Dictionary(self.properties if interface == self.interface else {},
                               signature="sv")


class Manager(Object):
    interface = "org.freedesktop.login1.Manager"

    @dbus.service.method(interface, in_signature="s", out_signature="o")
    def GetSession(self, session_id):
        return dbus.ObjectPath(SESSION)

    @dbus.service.method(interface, in_signature="u", out_signature="o")
    def GetSessionByPID(self, pid):
        return dbus.ObjectPath(SESSION)

    @dbus.service.method(interface, in_signature="", out_signature="a(susso)")
    def ListSessions(self):
        return [("e2e", dbus.UInt32(0), "root", "seat0", dbus.ObjectPath(SESSION))]

    @dbus.service.method(interface, in_signature="", out_signature="s")
    def CanSuspend(self):
        return "no"

    @dbus.service.signal(interface, signature="b")
    def PrepareForSleep(self, start):
        pass

    # For the tests: logind's own sleep notice, sent from the name's owner.
    @dbus.service.method("org.orvane.Test", in_signature="b", out_signature="")
    def AnnounceSleep(self, start):
        self.PrepareForSleep(start)


class User(Object):
    interface = "org.freedesktop.login1.User"
    properties = {
        "Display": dbus.Struct(("e2e", dbus.ObjectPath(SESSION)), signature="so"),
        "Sessions": dbus.Array([("e2e", dbus.ObjectPath(SESSION))], signature="(so)"),
    }


class Session(Object):
    interface = "org.freedesktop.login1.Session"

    def __init__(self, bus, path):
        super().__init__(bus, path)
        self.properties = {
            "Id": "e2e", "Class": "user", "Type": "wayland", "Active": True, "Remote": False,
            "LockedHint": False, "IdleHint": False, "Seat": dbus.Struct(("seat0", dbus.ObjectPath("/")), signature="so"),
        }

    @dbus.service.method(interface, in_signature="b", out_signature="")
    def SetLockedHint(self, locked):
        self.properties["LockedHint"] = bool(locked)

    @dbus.service.method(interface, in_signature="b", out_signature="")
    def SetIdleHint(self, idle):
        self.properties["IdleHint"] = bool(idle)

    @dbus.service.signal(interface, signature="")
    def Lock(self):
        pass

    @dbus.service.signal(interface, signature="")
    def Unlock(self):
        pass


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SystemBus()
    objects = [Manager(bus, ROOT), User(bus, ROOT + "/user/self"), Session(bus, SESSION)]
    name = dbus.service.BusName(BUS_NAME, bus)
    with open(sys.argv[1], "w") as ready:
        ready.write("ready\n")
    GLib.MainLoop().run()
    del objects, name


if __name__ == "__main__":
    main()
