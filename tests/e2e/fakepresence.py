#!/usr/bin/python3
"""Stand-ins for the services that tell a session's lock and idle time, for tests on private buses.

  fakepresence.py logind        org.freedesktop.login1 on the system bus: one session, whose
                                LockedHint the test sets with Session.SetLockedHint (as logind's
                                own method), announced with PropertiesChanged
  fakepresence.py screensaver NAME
                                NAME (org.freedesktop.ScreenSaver or org.gnome.ScreenSaver) on the
                                session bus: GetActive, SetActive, ActiveChanged
  fakepresence.py mutter        org.gnome.Mutter.IdleMonitor on the session bus: GetIdletime
                                answers what the test-only SetIdletime was given

Prints "ready" once the name is owned."""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

SESSION_PATH = "/org/freedesktop/login1/session/_31"
SESSION_IFACE = "org.freedesktop.login1.Session"
PROPS = "org.freedesktop.DBus.Properties"


class Manager(dbus.service.Object):
    @dbus.service.method("org.freedesktop.login1.Manager", in_signature="u", out_signature="o")
    def GetSessionByPID(self, pid):
        return dbus.ObjectPath(SESSION_PATH)

    @dbus.service.method("org.freedesktop.login1.Manager", in_signature="s", out_signature="o")
    def GetSession(self, sid):
        return dbus.ObjectPath(SESSION_PATH)


class Session(dbus.service.Object):
    def __init__(self, bus, path):
        super().__init__(bus, path)
        self.locked = False

    def props(self):
        return {"Id": dbus.String("31"), "LockedHint": dbus.Boolean(self.locked)}

    @dbus.service.method(PROPS, in_signature="ss", out_signature="v")
    def Get(self, iface, name):
        if iface != SESSION_IFACE or name not in self.props():
            raise dbus.exceptions.DBusException("no such property",
                                                name="org.freedesktop.DBus.Error.UnknownProperty")
        return self.props()[name]

    @dbus.service.method(PROPS, in_signature="s", out_signature="a{sv}")
    def GetAll(self, iface):
        return self.props() if iface == SESSION_IFACE else {}

    @dbus.service.signal(PROPS, signature="sa{sv}as")
    def PropertiesChanged(self, iface, changed, invalidated):
        pass

    @dbus.service.method(SESSION_IFACE, in_signature="b")
    def SetLockedHint(self, locked):
        self.locked = bool(locked)
        self.PropertiesChanged(SESSION_IFACE, {"LockedHint": dbus.Boolean(self.locked)},
                               dbus.Array([], signature="s"))


def screensaver(name):
    path = "/" + name.replace(".", "/")

    class ScreenSaver(dbus.service.Object):
        active = False

        @dbus.service.method(name, out_signature="b")
        def GetActive(self):
            return self.active

        @dbus.service.method(name, in_signature="b", out_signature="b")
        def SetActive(self, active):
            self.active = bool(active)
            self.ActiveChanged(self.active)
            return True

        @dbus.service.signal(name, signature="b")
        def ActiveChanged(self, active):
            pass

    return path, ScreenSaver


class IdleMonitor(dbus.service.Object):
    idle = dbus.UInt64(0)

    @dbus.service.method("org.gnome.Mutter.IdleMonitor", out_signature="t")
    def GetIdletime(self):
        return self.idle

    @dbus.service.method("org.gnome.Mutter.IdleMonitor", in_signature="t")
    def SetIdletime(self, ms):
        self.idle = dbus.UInt64(ms)


def main():
    DBusGMainLoop(set_as_default=True)
    kind = sys.argv[1]
    keep = []
    if kind == "logind":
        bus = dbus.SystemBus()
        keep.append(dbus.service.BusName("org.freedesktop.login1", bus))
        keep += [Manager(bus, "/org/freedesktop/login1"), Session(bus, SESSION_PATH)]
    elif kind == "screensaver":
        bus = dbus.SessionBus()
        path, cls = screensaver(sys.argv[2])
        keep += [dbus.service.BusName(sys.argv[2], bus), cls(bus, path)]
    elif kind == "mutter":
        bus = dbus.SessionBus()
        keep += [dbus.service.BusName("org.gnome.Mutter.IdleMonitor", bus),
                 IdleMonitor(bus, "/org/gnome/Mutter/IdleMonitor/Core")]
    else:
        sys.exit("unknown kind " + kind)
    print("ready", flush=True)
    GLib.MainLoop().run()


main()
