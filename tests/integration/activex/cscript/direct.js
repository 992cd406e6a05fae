// Wine's own JScript (cscript) creates the control by its ProgID and uses every scripting
// method directly, on a fresh software token (serial KV0002API, PIN 1234) with the scripted
// Gui.bin answering 1234. An uncaught error would end cscript silently with code 0, so
// everything runs inside try/catch and the verdict is the exit code.
var failures = 0, checks = 0;

function check(name, ok, detail) {
  checks++;
  if (!ok)
    failures++;
  WScript.Echo((ok ? "ok: " : "FAILED: ") + name +
               (ok || detail === undefined ? "" : " (" + detail + ")"));
}

function equal(name, actual, expected) {
  check(name, actual === expected, "got " + typeof actual + " " + actual + ", want " +
                                   typeof expected + " " + expected);
}

function matches(name, actual, pattern) {
  check(name, typeof actual === "string" && pattern.test(actual), "got " + actual);
}

// The message of the exception that f raises, or "no exception".
function thrown(f) {
  try {
    f();
  } catch (e) {
    return String(e.message);
  }
  return "no exception";
}

function bytesHex(from, to, step) {
  var text = "";
  for (var b = from; b !== to + step; b += step)
    text += (b < 16 ? "0" : "") + b.toString(16).toUpperCase();
  return text;
}

// kvwRepair takes its key in the substitution alphabet (digits 2 to 9 pass unchanged).
function scramble(hex) {
  var alphabet = "PLOKIJUHYGTFRDES", text = "";
  for (var i = 0; i < hex.length; i++) {
    var digit = hex.charAt(i);
    text += digit >= "2" && digit <= "9" ? digit : alphabet.charAt(parseInt(digit, 16));
  }
  return text;
}

var hex128 = /^[0-9A-F]{128}$/;
var hash = "5A3B7F0E1D2C4B6A89786756453423120F1E2D3C4B5A69788796A5B4C3D2E1F0";

try {
  var plugin = new ActiveXObject("Velmora.kestrova");
  equal("version", plugin.version, "1.5.0.0");
  equal("get_version", plugin.get_version(), "1.5.0.0");
  matches("too many arguments", thrown(function () { plugin.get_version(1); }),
          /^Too many arguments, expected 0\.$/);
  matches("a missing argument", thrown(function () { plugin.kvwGetPublicKey(); }),
          /^Error: Argument 1is not optional\.$/);

  equal("kvwIsTokenPresentAndOK", plugin.kvwIsTokenPresentAndOK(), true);
  equal("kvwGetDeviceID", plugin.kvwGetDeviceID(), "KV0002API");
  equal("kvwUserLoginDlg", plugin.kvwUserLoginDlg("1234"), true);
  equal("kvwUserLoginDlg through the PIN-entry program", plugin.kvwUserLoginDlg(), true);
  equal("kvwIsUserLoggedIn after a login", plugin.kvwIsUserLoggedIn(), -2);
  equal("kvwLogout", plugin.kvwLogout(), true);

  var left = plugin.kvwGenKeyPair("left", "1234");
  var right = plugin.kvwGenKeyPair("right", "1234");
  matches("kvwGenKeyPair", left, hex128);
  equal("a second key pair of that name", plugin.kvwGenKeyPair("left", "1234"), -21);
  equal("kvwGetNumberOfContainers", plugin.kvwGetNumberOfContainers(), 2);
  var names = [plugin.kvwGetContainerName(0), plugin.kvwGetContainerName(1)].sort();
  equal("kvwGetContainerName", names.join(","), "left,right");
  equal("kvwGetPublicKey", plugin.kvwGetPublicKey("left"), left);
  equal("no such container", plugin.kvwGetPublicKey("nobody"), -20);

  matches("kvwSign", plugin.kvwSign("left", hash, "1234"), hex128);
  matches("kvwHashSign", plugin.kvwHashSign("left", "616263", "1234"), hex128);
  equal("kvwSign: no such container", plugin.kvwSign("nobody", hash, "1234"), -20);
  equal("kvwHashSign: empty data", plugin.kvwHashSign("left", ""), -11);

  // Byte orders are checked by both sides of a key pair agreeing on a session key...
  var ukm = "0102030405060708";
  var fromLeft = plugin.kvwMakeSessionKey("left", right, ukm, "1234");
  matches("kvwMakeSessionKey", fromLeft, /^[0-9A-F]{64}$/);
  equal("both sides agree", plugin.kvwMakeSessionKey("right", left, ukm, "1234"), fromLeft);
  // ... and by a certificate read back under "repair key" by halves.
  equal("kvwImportCertificate", plugin.kvwImportCertificate("repair key", bytesHex(0, 63, 1)),
        true);
  equal("read back by halves", plugin.kvwGetPublicKey("repair key"),
        bytesHex(31, 0, -1) + bytesHex(63, 32, -1));
  equal("a second certificate", plugin.kvwImportCertificate("repair key", "3082"), -21);

  var key = scramble(bytesHex(1, 32, 1));
  var first = plugin.kvwRepair(key, hash);
  matches("kvwRepair", first, hex128);
  check("a fresh nonce each time", plugin.kvwRepair(key, hash) !== first);
  equal("kvwRepair: short key", plugin.kvwRepair(key.substr(1), hash), -72);

  // A method read as a value, called through call() and apply().
  var method = plugin.kvwGetDeviceID;
  equal("method object called", method(), "KV0002API");
  equal("method object through call", method.call(plugin), "KV0002API");
  equal("method object through apply", plugin.kvwGetPublicKey.apply(plugin, ["left"]), left);

  var before = plugin.kvwGetNumberOfContainers();
  equal("kvwDestroyContainer", plugin.kvwDestroyContainer("left", "1234"), true);
  equal("kvwDestroyContainer again", plugin.kvwDestroyContainer("left", "1234"), -20);
  equal("one container fewer", plugin.kvwGetNumberOfContainers(), before - 1);
} catch (e) {
  check("no uncaught exception", false, e.message);
}

WScript.Echo(failures === 0 && checks > 0 ? "PASS " + checks + " checks"
                                         : "FAIL " + failures + " of " + checks);
WScript.Quit(failures === 0 && checks > 0 ? 0 : 1);
