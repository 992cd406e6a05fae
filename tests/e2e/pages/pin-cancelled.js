// The scripted Gui.bin answers -60, as the real one does when the user cancels: the status
// reaches the page unchanged and nothing happens on the token.
// Runs in the browser page pin-cancelled.html and in the ActiveX test container; `plugin` is the
// element's scripting object.
var hash = "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF";

kv.step("directly", function () {
  kv.equal("kvwUserLoginDlg", plugin.kvwUserLoginDlg("1234"), -60);
  kv.equal("kvwGenKeyPair", plugin.kvwGenKeyPair("never", "1234"), -60);
  kv.equal("nothing was created", plugin.kvwGetNumberOfContainers(), 0);
});

kv.step("with callbacks", function (next) {
  kv.callback(plugin, "kvwSign", ["any", hash, null], function (r) {
    kv.equal("error callback", r.ok, false);
    kv.equal("status as text", r.value, "-60");
    next();
  });
});

kv.step("a cancelled entry is no wrong PIN", function () {
  kv.equal("the token still answers", plugin.kvwGetDeviceID(), "KV0002API");
});

kv.run();
