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

kv.directs("prepare", plugin, [
  ["left key", "kvwGenKeyPair", ["left", kvPin], function (key, label) {
    kvIsHex128(key, label);
    pub.left = key;
  }],
  ["right key", "kvwGenKeyPair", ["right", kvPin], function (key, label) {
    kvIsHex128(key, label);
    pub.right = key;
  }]
]);

function toRight() {
  return ["left", pub.right, ukm, kvPin];
}

kv.directs("kvwMakeSessionKey directly", plugin, [
  ["a 32-byte key", "kvwMakeSessionKey", toRight, function (key, label) {
    kv.matches(label, key, /^[0-9A-F]{64}$/);
    agreed = key;
  }],
  ["both sides agree", "kvwMakeSessionKey", function () {
    return ["right", pub.left, ukm, kvPin];
  }, function (key, label) { kv.equal(label, key, agreed); }],
  ["another UKM, another key", "kvwMakeSessionKey", function () {
    return ["left", pub.right, "0807060504030201", kvPin];
  }, function (key, label) { kv.check(label, key !== agreed, key); }],
  ["no such container", "kvwMakeSessionKey", function () {
    return ["nobody", pub.right, ukm, kvPin];
  }, -20],
  ["empty public key", "kvwMakeSessionKey", ["left", "", ukm, kvPin], -11],
  ["empty UKM", "kvwMakeSessionKey", function () {
    return ["left", pub.right, "", kvPin];
  }, -11],
  ["empty name", "kvwMakeSessionKey", function () {
    return ["", pub.right, ukm, kvPin];
  }, -11]
]);

kv.step("kvwMakeSessionKey with callbacks", function (next) {
  kv.callback(plugin, "kvwMakeSessionKey", ["right", pub.left, ukm, kvPin], function (r) {
    kv.equal("success callback", r.ok, true);
    kv.equal("the same key", r.value, agreed);
    next();
  });
});

kv.step("kvwMakeSessionKey with callbacks: no such container", function (next) {
  kv.callback(plugin, "kvwMakeSessionKey", ["nobody", pub.left, ukm, kvPin], function (r) {
    kv.equal("code as text", r.value, "-20");
    next();
  });
});

// Stored as b0..b63; read back under "repair key" as b31..b0 then b63..b32.
kv.directs("kvwImportCertificate directly", plugin, [
  ["import", "kvwImportCertificate", ["repair key", bytesHex(0, 63, 1)], true],
  ["read back by halves", "kvwGetPublicKey", ["repair key"],
   bytesHex(31, 0, -1) + bytesHex(63, 32, -1)],
  ["a second certificate", "kvwImportCertificate", ["repair key", "3082"], -21],
  ["into a container with a key pair", "kvwImportCertificate", ["left", "308201"], true],
  ["creating a key pair there now", "kvwGenKeyPair", ["repair key", kvPin], -21],
  ["empty certificate", "kvwImportCertificate", ["other", ""], -11],
  ["empty name", "kvwImportCertificate", ["", "3082"], -11]
]);

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

var repaired = null;
kv.directs("kvwRepair directly", plugin, [
  ["128 hex digits", "kvwRepair", [key, repairHash], function (signature, label) {
    kvIsHex128(signature, label);
    repaired = signature;
  }],
  ["again", "kvwRepair", [key, repairHash], function (signature, label) {
    kvIsHex128(signature, label);
    kv.check("a fresh nonce each time", signature !== repaired);
  }],
  ["63 digits of key", "kvwRepair", [key.substr(1), repairHash], -72],
  ["short hash", "kvwRepair", [key, "00FF"], -72],
  ["empty key", "kvwRepair", ["", repairHash], -11],
  ["empty hash", "kvwRepair", [key, ""], -11]
]);

kv.step("kvwRepair with callbacks", function (next) {
  kv.callback(plugin, "kvwRepair", [key, repairHash], function (r) {
    kv.equal("success callback", r.ok, true);
    kvIsHex128(r.value, "128 hex digits");
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
