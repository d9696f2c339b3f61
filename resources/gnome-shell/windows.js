// The few window operations TAMBREL needs on a GNOME Wayland session, where no other program may
// see or touch another's windows. Exported on the session bus as com.meridox.Tambrel, on a bus
// connection of its own that holds nothing else (the shell's own connection owns many names, and
// an object on it would answer under every one of them); every call names windows by the shell's
// own window id, never by text that is run or matched here. Programs in a sandbox are refused:
// keeping them away from other programs' windows is what GNOME on Wayland is for.
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

// Menus, tooltips and drag icons are override-redirect: not windows a user would name. Topmost
// first.
function topLevels() {
    const windows = global.get_window_actors()
        .map(actor => actor.meta_window)
        .filter(window => window && !window.is_override_redirect());
    return global.display.sort_windows_by_stacking(windows).reverse();
}

function byId(id) {
    return topLevels().find(window => window.get_id() === id) ?? null;
}

// Why the process `pid` counts as sandboxed, or null. A Flatpak sandbox has /.flatpak-info in its
// root (which is how the desktop portal tells); a Snap runs in a snap.<name>.<app> unit. A caller
// whose root cannot be looked at cannot be told apart, so it is refused as well.
function sandboxOf(pid) {
    const root = `/proc/${pid}/root`;
    if (!GLib.file_test(`${root}/`, GLib.FileTest.IS_DIR))
        return 'its sandbox cannot be checked';
    if (GLib.file_test(`${root}/.flatpak-info`, GLib.FileTest.EXISTS))
        return 'it runs in a Flatpak sandbox';
    try {
        const [, bytes] = GLib.file_get_contents(`/proc/${pid}/cgroup`);
        if (/\/snap\.[^/\s]+\.[^/\s]+/.test(new TextDecoder().decode(bytes)))
            return 'it runs in a Snap confinement';
    } catch (e) {
        return 'its sandbox cannot be checked';
    }
    return null;
}

class Windows {
    constructor(connection) {
        this._connection = connection;
        // Windows this extension put above the others, so that disabling it puts them back.
        this._lifted = new Set();
    }

    ListAsync(params, invocation) {
        this._answer(invocation, () => new GLib.Variant('(a(tsu))', [topLevels().map(window => [
            window.get_id(), window.get_title() ?? '', Math.max(window.get_pid(), 0)])]));
    }

    // The shell's own close, as the window's close button: a request the application may refuse.
    CloseAsync([id], invocation) {
        this._answer(invocation, () => {
            const window = byId(id);
            if (window)
                window.delete(global.get_current_time());
            return new GLib.Variant('(b)', [window !== null]);
        });
    }

    ActivateAsync([id], invocation) {
        this._answer(invocation, () => {
            const window = byId(id);
            if (window)
                window.activate(global.get_current_time());
            return new GLib.Variant('(b)', [window !== null]);
        });
    }

    FocusedAsync(params, invocation) {
        this._answer(invocation,
            () => new GLib.Variant('(t)', [global.display.focus_window?.get_id() ?? 0]));
    }

    // Only the caller's own windows.
    KeepAboveAsync([above], invocation) {
        this._answer(invocation, pid => {
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
            return new GLib.Variant('(u)', [own.length]);
        });
    }

    // Answers with act(pid of the caller) once the bus daemon has said who is calling and the
    // caller is not in a sandbox.
    _answer(invocation, act) {
        this._connection.call('org.freedesktop.DBus', '/org/freedesktop/DBus',
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
                const sandbox = sandboxOf(pid);
                if (sandbox) {
                    invocation.return_dbus_error('com.meridox.Tambrel.Error.Sandboxed',
                        `Refused: the calling process ${pid} may not reach other windows: ${sandbox}`);
                    return;
                }
                invocation.return_value(act(pid));
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

// While the extension is enabled: a session bus connection of its own, the object on it, and the
// name. The name is not taken from another owner, nor queued for: a program that holds it keeps
// it, and the journal says so (TAMBREL checks that the name's owner is the shell before it trusts
// an answer).
class WindowAccess {
    enable() {
        this._cancellable = new Gio.Cancellable();
        const address = Gio.dbus_address_get_for_bus_sync(Gio.BusType.SESSION, null);
        Gio.DBusConnection.new_for_address(address,
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
            Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
            null, this._cancellable, (source, result) => {
                let connection;
                try {
                    connection = Gio.DBusConnection.new_for_address_finish(result);
                } catch (e) {
                    if (!e.matches(Gio.IOErrorEnum, Gio.IOErrorEnum.CANCELLED))
                        console.warn(`TAMBREL window access: no session bus connection: ${e.message}`);
                    return;
                }
                this._connection = connection;
                this._windows = new Windows(connection);
                this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE, this._windows);
                this._object.export(connection, OBJECT_PATH);
                this._nameId = Gio.bus_own_name_on_connection(connection, BUS_NAME,
                    Gio.BusNameOwnerFlags.DO_NOT_QUEUE, null, () => console.warn(
                        `TAMBREL window access: cannot have the bus name ${BUS_NAME}: another ` +
                        'program holds it, so TAMBREL cannot reach windows until it lets go'));
            });
    }

    disable() {
        this._cancellable.cancel();
        if (this._nameId)
            Gio.bus_unown_name(this._nameId);
        this._object?.unexport();
        this._windows?.restore();
        this._connection?.close(null, null);
        this._nameId = 0;
        this._object = this._windows = this._connection = this._cancellable = null;
    }
}
