// kvwMakeSessionKey from both sides of a key pair, kvwImportCertificate with the "repair key"
// read-back, and kvwRepair; the scripted Gui.bin answers the PIN 1234.
// Runs in the browser page session-key-repair.html and in the ActiveX test container; `plugin` is the
// element's scripting object.
var ukm = "0102030405060708";
var pub = {};
var agreed = null;

function bytesHex(from, to, step) {
  var text = "";
  for (var b = from; b !== to + step; b += step)
    text += (b < 16 ? "0" : "") + b.toString(16).toUpperCase();
  return text;
}

// The page hands kvwRepair its key in the substitution alphabet (digits pass unchanged).
function scramble(hex) {
  return hex.replace(/[A-F0-9]/g, function (digit) {
    return digit <= "9" && digit !== "0" && digit !== "1" ? digit
                                                          : "PLOKIJUHYGTFRDES"[parseInt(digit, 16)];
  });
}

kv.step("prepare", function () {
  pub.left = plugin.kvwGenKeyPair("left", "1234");
  pub.right = plugin.kvwGenKeyPair("right", "1234");
  kv.matches("left key", pub.left, kvHex128);
  kv.matches("right key", pub.right, kvHex128);
});

kv.step("kvwMakeSessionKey directly", function () {
  var fromLeft = plugin.kvwMakeSessionKey("left", pub.right, ukm, "1234");
  var fromRight = plugin.kvwMakeSessionKey("right", pub.left, ukm, "1234");
  kv.matches("a 32-byte key", fromLeft, /^[0-9A-F]{64}$/);
  kv.equal("both sides agree", fromRight, fromLeft);
  kv.check("another UKM, another key",
           plugin.kvwMakeSessionKey("left", pub.right, "0807060504030201", "1234") !== fromLeft);
  agreed = fromLeft;
  kv.equal("no such container", plugin.kvwMakeSessionKey("nobody", pub.right, ukm, "1234"), -20);
  kv.equal("empty public key", plugin.kvwMakeSessionKey("left", "", ukm, "1234"), -11);
  kv.equal("empty UKM", plugin.kvwMakeSessionKey("left", pub.right, "", "1234"), -11);
  kv.equal("empty name", plugin.kvwMakeSessionKey("", pub.right, ukm, "1234"), -11);
});

kv.step("kvwMakeSessionKey with callbacks", function (next) {
  kv.callback(plugin, "kvwMakeSessionKey", ["right", pub.left, ukm, "1234"], function (r) {
    kv.equal("success callback", r.ok, true);
    kv.equal("the same key", r.value, agreed);
    next();
  });
});

kv.step("kvwMakeSessionKey with callbacks: no such container", function (next) {
  kv.callback(plugin, "kvwMakeSessionKey", ["nobody", pub.left, ukm, "1234"], function (r) {
    kv.equal("code as text", r.value, "-20");
    next();
  });
});

kv.step("kvwImportCertificate directly", function () {
  // Stored as b0..b63; read back under "repair key" as b31..b0 then b63..b32.
  kv.equal("import", plugin.kvwImportCertificate("repair key", bytesHex(0, 63, 1)), true);
  kv.equal("read back by halves", plugin.kvwGetPublicKey("repair key"),
           bytesHex(31, 0, -1) + bytesHex(63, 32, -1));
  kv.equal("a second certificate", plugin.kvwImportCertificate("repair key", "3082"), -21);
  kv.equal("into a container with a key pair", plugin.kvwImportCertificate("left", "308201"),
           true);
  kv.equal("creating a key pair there now", plugin.kvwGenKeyPair("repair key", "1234"), -21);
  kv.equal("empty certificate", plugin.kvwImportCertificate("other", ""), -11);
  kv.equal("empty name", plugin.kvwImportCertificate("", "3082"), -11);
});

kv.step("kvwImportCertificate with callbacks", function (next) {
  kv.callback(plugin, "kvwImportCertificate", ["cert only", "30820122"], function (r) {
    kv.equal("result", r.value, true);
    next();
  });
});

kv.step("kvwImportCertificate with callbacks: exists", function (next) {
  kv.callback(plugin, "kvwImportCertificate", ["cert only", "30820122"], function (r) {
    kv.equal("code as text", r.value, "-21");
    next();
  });
});

var key = scramble(bytesHex(1, 32, 1));
var repairHash = "1E2D3C4B5A69788796A5B4C3D2E1F00F1E2D3C4B5A69788796A5B4C3D2E1F0AA";

kv.step("kvwRepair directly", function () {
  var first = plugin.kvwRepair(key, repairHash);
  var second = plugin.kvwRepair(key, repairHash);
  kv.matches("128 hex digits", first, kvHex128);
  kv.matches("again", second, kvHex128);
  kv.check("a fresh nonce each time", first !== second);
  kv.equal("63 digits of key", plugin.kvwRepair(key.substr(1), repairHash), -72);
  kv.equal("short hash", plugin.kvwRepair(key, "00FF"), -72);
  kv.equal("empty key", plugin.kvwRepair("", repairHash), -11);
  kv.equal("empty hash", plugin.kvwRepair(key, ""), -11);
});

kv.step("kvwRepair with callbacks", function (next) {
  kv.callback(plugin, "kvwRepair", [key, repairHash], function (r) {
    kv.equal("success callback", r.ok, true);
    kv.matches("128 hex digits", r.value, kvHex128);
    next();
  });
});

kv.step("kvwRepair with callbacks: bad key", function (next) {
  kv.callback(plugin, "kvwRepair", ["PLOK", repairHash], function (r) {
    kv.equal("code as text", r.value, "-72");
    next();
  });
});

kv.run();
