// Presence, serial, version and login through the control in the container, against a fresh
// software token (serial KV0003AX, PIN 1234; the scripted Gui.bin answers 1234), directly and
// with callbacks.
kv.step("version", function () {
  kv.equal("property", plugin.version, "1.5.0.0");
  kv.equal("get_version", plugin.get_version(), "1.5.0.0");
  var message = "no exception", number = 0;
  try {
    plugin.get_version(function () {});
  } catch (e) {
    message = String(e.message);
    number = e.number;
  }
  kv.matches("get_version takes no callback", message, /^Too many arguments, expected 0\.$/);
  kv.equal("the exception's code", number, 0x80004001 | 0);
  kv.equal("the ready state, by its fixed identifier", plugin.readystate, 4);
  kv.equal("one ready-state notification", kvHost.readyStateChanges(), 1);
});

kv.step("direct", function () {
  kv.equal("kvwIsTokenPresentAndOK", plugin.kvwIsTokenPresentAndOK(), true);
  kv.equal("kvwGetDeviceID", plugin.kvwGetDeviceID(), "KV0003AX");
  kv.equal("kvwUserLoginDlg with the PIN", plugin.kvwUserLoginDlg("1234"), true);
  kv.equal("kvwUserLoginDlg without a PIN", plugin.kvwUserLoginDlg(), true);
  kv.equal("kvwIsUserLoggedIn right after a login", plugin.kvwIsUserLoggedIn(), -2);
  kv.equal("kvwLogout", plugin.kvwLogout(), true);
  kv.equal("null PIN counts as omitted", plugin.kvwUserLoginDlg(null), true);
});

// Results through the callbacks are the same values, of the same types.
[["kvwIsTokenPresentAndOK", [], true],
 ["kvwGetDeviceID", [], "KV0003AX"],
 ["kvwUserLoginDlg", ["1234"], true],
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
