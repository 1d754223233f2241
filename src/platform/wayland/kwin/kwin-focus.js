// Loaded into KWin by Orvane: tells the program which window has the focus, at each activation and
// each change of the active window's caption, so that the program never has to ask. KWin runs a
// script without arguments, so the program writes a copy of this file with the name it owns on the
// session bus in place of @ORVANE_SERVICE@.
//
// One file for KWin 5.27 and 6: 6 renamed clientActivated, activeClient and clientList to
// windowActivated, activeWindow and windowList.
(function () {
    "use strict";
    var service = "@ORVANE_SERVICE@";
    var six = typeof workspace.windowList === "function";
    var activated = six ? workspace.windowActivated : workspace.clientActivated;
    var followed = null;

    // KWin tells windows of the same caption apart by a " <2>" and a left-to-right mark of its
    // own; the window's title does not carry it.
    function title(caption) {
        return String(caption === undefined || caption === null ? "" : caption)
            .replace(/ <[0-9]+>\u200e$/, "");
    }

    // One JSON string: a JavaScript number has no fixed D-Bus type.
    function report() {
        var w = followed;
        var state = w ? {
            pid: typeof w.pid === "number" ? w.pid : 0,
            caption: title(w.caption),
            resourceClass: String(w.resourceClass === undefined ? "" : w.resourceClass)
        } : null;
        callDBus(service, "/org/orvane/KWinFocus", "org.orvane.KWinFocus", "Report",
                 JSON.stringify(state));
    }

    // A switch first reports no window, then the new one.
    function follow(w) {
        if (followed) {
            try {
                followed.captionChanged.disconnect(report);
            } catch (e) {
                // The window is gone already.
            }
        }
        followed = w || null;
        if (followed) followed.captionChanged.connect(report);
        report();
    }

    activated.connect(follow);
    follow(six ? workspace.activeWindow : workspace.activeClient);
})();
