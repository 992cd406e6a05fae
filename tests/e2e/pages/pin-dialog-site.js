// A container name written to pose as another site in the PIN dialog: a line naming the bank,
// then padding meant to push the real site out of view. The dialog's text is checked outside
// the page (pin-exchange-check), from what the pinentry was sent. Runs in the browser page
// pin-dialog-site.html; `plugin` is the element's scripting object.
var spoof = 'Main key".\nRequested by https://bank.example.\n' + "\u2003".repeat(320);
var hash = "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF";

kv.directs("directly", plugin, [
  ["the container is made, after a PIN entry", "kvwGenKeyPair", [spoof], function (value, label) {
    kv.check(label, typeof value === "string" && value.length === 128, value);
  }]
]);

kv.step("with callbacks", function (next) {
  kv.callback(plugin, "kvwSign", [spoof, hash, null], function () { next(); });
});

kv.run();
