// The few window operations TAMBREL needs on a GNOME Wayland session, where no other program may
// see or touch another's windows. Exported on the session bus as com.meridox.Tambrel; every call
// names windows by the shell's own window id, never by text that is run or matched here.
//
// The one body of both extensions: the build puts it into the script that GNOME Shell 43 and 44
// load and into the ES module of GNOME Shell 45 and later, which bring Gio and GLib in their own
// way (extension.js.in beside each metadata.json).

const BUS_NAME = 'com.meridox.Tambrel';
const OBJECT_PATH = '/com/meridox/Tambrel';
const INTERFACE = `<node>
  <interface name="com.meridox.Tambrel.Windows">
    <method name="List">
      <arg name="windows" type="a(tsu)" direction="out"/>
    </method>
    <method name="Close">
      <arg name="id" type="t" direction="in"/>
      <arg name="found" type="b" direction="out"/>
    </method>
    <method name="Activate">
      <arg name="id" type="t" direction="in"/>
      <arg name="found" type="b" direction="out"/>
    </method>
    <method name="Focused">
      <arg name="id" type="t" direction="out"/>
    </method>
    <method name="KeepAbove">
      <arg name="above" type="b" direction="in"/>
      <arg name="windows" type="u" direction="out"/>
    </method>
  </interface>
</node>`;

// Menus, tooltips and drag icons are override-redirect: not windows a user would name. Oldest
// first, so that a prefix picks the same window every time.
function topLevels() {
    return global.get_window_actors()
        .map(actor => actor.meta_window)
        .filter(window => window && !window.is_override_redirect())
        .sort((a, b) => a.get_stable_sequence() - b.get_stable_sequence());
}

function byId(id) {
    return topLevels().find(window => window.get_id() === id) ?? null;
}

class Windows {
    constructor() {
        // Windows this extension put above the others, so that disabling it puts them back.
        this._lifted = new Set();
    }

    List() {
        return topLevels().map(window => [
            window.get_id(), window.get_title() ?? '', Math.max(window.get_pid(), 0)]);
    }

    // The shell's own close, as the window's close button: a request the application may refuse
    // (the shell disconnects an X11 window that takes no close requests, as that button would).
    Close(id) {
        const window = byId(id);
        if (window)
            window.delete(global.get_current_time());
        return window !== null;
    }

    Activate(id) {
        const window = byId(id);
        if (window)
            window.activate(global.get_current_time());
        return window !== null;
    }

    Focused() {
        return global.display.focus_window?.get_id() ?? 0;
    }

    // Only the caller's own windows: the bus daemon says which process is calling.
    KeepAboveAsync([above], invocation) {
        Gio.DBus.session.call('org.freedesktop.DBus', '/org/freedesktop/DBus',
            'org.freedesktop.DBus', 'GetConnectionUnixProcessID',
            new GLib.Variant('(s)', [invocation.get_sender()]), new GLib.VariantType('(u)'),
            Gio.DBusCallFlags.NONE, -1, null, (bus, result) => {
                let pid;
                try {
                    [pid] = bus.call_finish(result).deepUnpack();
                } catch (e) {
                    invocation.return_dbus_error('com.meridox.Tambrel.Error.UnknownCaller',
                        e.message);
                    return;
                }
                const own = topLevels().filter(window => window.get_pid() === pid);
                for (const window of own) {
                    if (above) {
                        window.make_above();
                        this._lifted.add(window);
                    } else {
                        window.unmake_above();
                        this._lifted.delete(window);
                    }
                }
                invocation.return_value(new GLib.Variant('(u)', [own.length]));
            });
    }

    restore() {
        const alive = new Set(topLevels());
        for (const window of this._lifted) {
            if (alive.has(window))
                window.unmake_above();
        }
        this._lifted.clear();
    }
}

// Owns the bus name and the exported object while the extension is enabled.
class WindowAccess {
    enable() {
        this._windows = new Windows();
        this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE, this._windows);
        this._object.export(Gio.DBus.session, OBJECT_PATH);
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, BUS_NAME,
            Gio.BusNameOwnerFlags.NONE, null, null);
    }

    disable() {
        Gio.bus_unown_name(this._nameId);
        this._object.unexport();
        this._windows.restore();
        this._nameId = 0;
        this._object = null;
        this._windows = null;
    }
}
