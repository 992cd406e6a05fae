// Wine's JScript (cscript) creates the installed control by its ProgID and calls token methods
// on the software token the installer put beside it (token KV0004MSI, PIN 1234, given as the
// argument so no PIN dialog opens). The verdict is the exit code.
var failures = 0;

function equal(name, actual, expected) {
  var ok = actual === expected;
  if (!ok)
    failures++;
  WScript.Echo((ok ? "ok: " : "FAILED: ") + name + (ok ? "" : " (got " + actual + ")"));
}

try {
  var plugin = new ActiveXObject("Velmora.kestrova");
  equal("version", plugin.version, "1.5.0.0");
  equal("kvwIsTokenPresentAndOK", plugin.kvwIsTokenPresentAndOK(), true);
  equal("kvwGetDeviceID", plugin.kvwGetDeviceID(), "KV0004MSI");
  equal("kvwUserLoginDlg with the PIN", plugin.kvwUserLoginDlg("1234"), true);
  equal("kvwLogout", plugin.kvwLogout(), true);
} catch (e) {
  equal("no exception", String(e.message), "");
}
WScript.Quit(failures === 0 ? 0 : 1);
