// For the end-to-end tests only: gives the focus to the window with a given title, which nothing
// outside the Shell can do on Wayland. GNOME Shell 43-44 (legacy imports).
/* exported init */
'use strict';

const {Gio} = imports.gi;
const Main = imports.ui.main;

const Interface = `<node>
  <interface name="org.orvane.Test1">
    <method name="Activate">
      <arg type="s" direction="in" name="title"/>
      <arg type="b" direction="out" name="found"/>
    </method>
    <method name="Focused">
      <arg type="s" direction="out" name="title"/>
    </method>
    <method name="Titles">
      <arg type="as" direction="out" name="titles"/>
    </method>
  </interface>
</node>`;

class TestHelper {
    enable() {
        // A window is listed once the Shell has shown it: before that it may still take the focus
        // from one activated in the meantime.
        this._shown = new WeakSet();
        this._mapId = global.window_manager.connect('map', (_wm, actor) => {
            this._shown.add(actor.meta_window);
        });
        this._dbus = Gio.DBusExportedObject.wrapJSObject(Interface, this);
        this._dbus.export(Gio.DBus.session, '/org/orvane/Test');
    }

    disable() {
        this._dbus.unexport();
        this._dbus = null;
        global.window_manager.disconnect(this._mapId);
    }

    _windows() {
        return global.get_window_actors().map(a => a.meta_window).filter(w => this._shown.has(w));
    }

    Activate(title) {
        const w = this._windows().find(m => m.get_title() === title);
        if (!w)
            return false;
        // The Shell shows its overview at start-up; a window behind it has no focus.
        Main.overview.hide();
        Main.activateWindow(w);
        return true;
    }

    Focused() {
        const w = global.display.focus_window;
        return w ? w.get_title() || '' : '';
    }

    Titles() {
        return this._windows().map(m => m.get_title() || '');
    }
}

function init() {
    return new TestHelper();
}
