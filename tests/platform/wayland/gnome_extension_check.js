// Both variants of the GNOME Shell extension parse as what their Shell versions load them as (a
// legacy script with init(), an ES module with a default export), carry the same uuid, claim
// only the versions the setup picks them for, and keep the same body.
//
//   gjs gnome_extension_check.js RESOURCES/gnome-shell
const {GLib} = imports.gi;

const folder = ARGV[0];
let failures = 0;
function check(what, ok) {
    print(`${ok ? 'ok' : 'FAIL'}: ${what}`);
    if (!ok)
        failures++;
}
function read(name) {
    const [, bytes] = GLib.file_get_contents(`${folder}/${name}`);
    return new TextDecoder().decode(bytes);
}
function body(src) {
    const start = src.indexOf('const ObjectPath');
    const end = src.indexOf('\n}\n', src.indexOf('class FocusExport')) + 3;
    return start >= 0 && end > start ? src.slice(start, end) : null;
}

const legacy = read('legacy/extension.js');
const module = read('module/extension.js');

let init = null;
try {
    init = new Function(`${legacy}\nreturn init;`)();
} catch (e) {
    print(e);
}
check('legacy: runs as a script and defines init()', typeof init === 'function');
if (typeof init === 'function') {
    const ext = init();
    check('legacy: init() gives enable() and disable()',
        typeof ext.enable === 'function' && typeof ext.disable === 'function');
}
check('legacy: no import statement', !/^import /m.test(legacy));

let ast = null;
try {
    ast = Reflect.parse(module, {target: 'module'});
} catch (e) {
    print(e);
}
check('module: parses as an ES module', ast !== null);
check('module: has a default export',
    ast !== null && ast.body.some(n => n.type === 'ExportDeclaration' && n.isDefault));
check('module: no legacy imports object', !/imports\.gi/.test(module));
check('the same body in both', body(legacy) !== null && body(legacy) === body(module));

const ml = JSON.parse(read('legacy/metadata.json'));
const mm = JSON.parse(read('module/metadata.json'));
check('one uuid', ml.uuid === 'focus@orvane.org' && mm.uuid === ml.uuid);
check('legacy claims 43-44 only', ml['shell-version'].every(v => +v >= 43 && +v <= 44));
check('module claims 45 and later only', mm['shell-version'].every(v => +v >= 45));

print(`${failures} failed`);
imports.system.exit(failures ? 1 : 0);
