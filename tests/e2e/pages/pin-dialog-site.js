// A container name written to pose as another site in the PIN dialog: a line naming the bank,
// then padding meant to push the real site out of view. The dialog's text is checked outside
// the page (pin-exchange-check), from what the pinentry was sent. Runs in the browser page
// pin-dialog-site.html; `plugin` is the element's scripting object.
var spoof = 'Main key".\nRequested by https://bank.example.\n' + "\u2003".repeat(320);
var hash = "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF";

// Signing logs in first, so the PIN is asked for although no such container exists; the token
// is left as it was, whatever ran on it before.
kv.directs("directly", plugin, [["no such container, after a PIN entry", "kvwSign", [spoof, hash], -20]]);

kv.step("with callbacks", function (next) {
  kv.callback(plugin, "kvwSign", [spoof, hash, null], function (r) {
    kv.equal("no such container, after a PIN entry", r.value, "-20");
    next();
  });
});

kv.run();
