// The scripted Gui.bin answers the wrong PIN 0000 whatever the page passes; the token (PIN
// 1234) locks after three wrong PINs.
// Runs in the browser page wrong-pin.html and in the ActiveX test container; `plugin` is the
// element's scripting object.
var hash = "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF";

kv.directs("first wrong PIN", plugin, [["kvwUserLoginDlg", "kvwUserLoginDlg", [kvPin], -4]]);

kv.step("second wrong PIN, with callbacks", function (next) {
  kv.callback(plugin, "kvwSign", ["any", hash, kvPin], function (r) {
    kv.equal("error callback", r.ok, false);
    kv.equal("code as text", r.value, "-4");
    next();
  });
});

kv.directs("third wrong PIN", plugin, [
  ["kvwGenKeyPair", "kvwGenKeyPair", ["never", kvPin], -4],
  ["nothing was created", "kvwGetNumberOfContainers", [], 0]
]);

kv.directs("locked", plugin, [
  ["kvwUserLoginDlg", "kvwUserLoginDlg", [kvPin], -5],
  ["methods without a PIN still work", "kvwGetDeviceID", [], "KV0002API"]
]);

kv.step("locked, with callbacks", function (next) {
  kv.callback(plugin, "kvwMakeSessionKey", ["any", hash + hash, "0102030405060708", kvPin],
              function (r) {
    kv.equal("code as text", r.value, "-5");
    next();
  });
});

kv.run();
