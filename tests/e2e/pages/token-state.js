// Presence, serial, version and login against a fresh software token (serial KV0002API, PIN
// 1234; the scripted Gui.bin answers 1234), directly and with callbacks.
// Runs in the browser page token-state.html and in the ActiveX test container; `plugin` is the
// element's scripting object.

kv.step("version", function () {
  kv.equal("property", plugin.version, "1.5.0.0");
  plugin.version = "9";
  kv.equal("property cannot be written", plugin.version, "1.5.0.0");
  var message = "no exception";
  try {
    plugin.get_version(function () {});
  } catch (e) {
    message = String(e.message);
  }
  kv.matches("get_version takes no callback", message, /^Too many arguments, expected /);
});

kv.directs("direct", plugin, [
  ["get_version", "get_version", [], "1.5.0.0"],
  ["kvwIsTokenPresentAndOK", "kvwIsTokenPresentAndOK", [], true],
  ["kvwGetDeviceID", "kvwGetDeviceID", [], "KV0002API"],
  ["kvwUserLoginDlg with the PIN", "kvwUserLoginDlg", [kvPin], true],
  ["kvwUserLoginDlg without a PIN", "kvwUserLoginDlg", [], true],
  ["kvwIsUserLoggedIn right after a login", "kvwIsUserLoggedIn", [], -2],
  ["kvwLogout", "kvwLogout", [], true],
  ["null PIN counts as omitted", "kvwUserLoginDlg", [null], true]
]);

// Results through the callbacks are the same values, of the same types.
[["kvwIsTokenPresentAndOK", [], true],
 ["kvwGetDeviceID", [], "KV0002API"],
 ["kvwUserLoginDlg", [kvPin], true],
 ["kvwIsUserLoggedIn", [], -2],
 ["kvwLogout", [], true]].forEach(function (c) {
  kv.step(c[0] + " with callbacks", function (next) {
    kv.callback(plugin, c[0], c[1], function (r) {
      kv.equal("success callback", r.ok, true);
      kv.equal("result", r.value, c[2]);
      next();
    });
  });
});

kv.run();
