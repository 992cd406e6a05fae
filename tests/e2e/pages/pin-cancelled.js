// The scripted Gui.bin answers -60, as the real one does when the user cancels: the status
// reaches the page unchanged and nothing happens on the token.
// Runs in the browser page pin-cancelled.html and in the ActiveX test container; `plugin` is the
// element's scripting object.
var hash = "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF";

kv.directs("directly", plugin, [
  ["kvwUserLoginDlg", "kvwUserLoginDlg", [kvPin], -60],
  ["kvwGenKeyPair", "kvwGenKeyPair", ["never", kvPin], -60],
  ["nothing was created", "kvwGetNumberOfContainers", [], 0]
]);

kv.step("with callbacks", function (next) {
  kv.callback(plugin, "kvwSign", ["any", hash, null], function (r) {
    kv.equal("error callback", r.ok, false);
    kv.equal("status as text", r.value, "-60");
    next();
  });
});

kv.directs("a cancelled entry is no wrong PIN", plugin,
           [["the token still answers", "kvwGetDeviceID", [], "KV0002API"]]);

kv.run();
