// The body of both variants of the extension (legacy/ and module/): what the Shell is asked
// and what goes out on the bus. The build puts it into each variant's wrapper.
const ObjectPath = '/org/orvane/Focus';
const Interface = `<node>
  <interface name="org.orvane.Focus1">
    <method name="GetFocused">
      <arg type="b" direction="out" name="focused"/>
      <arg type="u" direction="out" name="pid"/>
      <arg type="s" direction="out" name="title"/>
      <arg type="s" direction="out" name="appId"/>
    </method>
    <signal name="FocusChanged">
      <arg type="b" name="focused"/>
      <arg type="u" name="pid"/>
      <arg type="s" name="title"/>
      <arg type="s" name="appId"/>
    </signal>
    <signal name="Stopped"/>
  </interface>
</node>`;

class FocusExport {
    enable() {
        this._last = null;
        this._window = null;
        this._titleId = 0;
        this._dbus = Gio.DBusExportedObject.wrapJSObject(Interface, this);
        this._dbus.export(Gio.DBus.session, ObjectPath);
        this._focusId = global.display.connect('notify::focus-window', () => this._follow());
        this._follow();
    }

    disable() {
        global.display.disconnect(this._focusId);
        this._unfollowTitle();
        // Tells a listener that its last state is no longer kept up to date.
        this._dbus.emit_signal('Stopped', null);
        this._dbus.unexport();
        this._dbus = null;
    }

    GetFocused() {
        return this._state();
    }

    _state() {
        const w = global.display.focus_window;
        if (!w)
            return [false, 0, '', ''];
        const pid = w.get_pid();
        // The Wayland app_id; the X11 class of an XWayland window.
        return [true, pid > 0 ? pid : 0, w.get_title() || '', w.get_wm_class() || ''];
    }

    _unfollowTitle() {
        if (this._window && this._titleId)
            this._window.disconnect(this._titleId);
        this._window = null;
        this._titleId = 0;
    }

    _follow() {
        const w = global.display.focus_window;
        if (w !== this._window) {
            this._unfollowTitle();
            if (w) {
                this._window = w;
                this._titleId = w.connect('notify::title', () => this._changed());
            }
        }
        this._changed();
    }

    _changed() {
        const state = this._state();
        const key = JSON.stringify(state);
        if (key === this._last)
            return;
        this._last = key;
        this._dbus.emit_signal('FocusChanged', new GLib.Variant('(buss)', state));
    }
}
