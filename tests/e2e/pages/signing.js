// kvwSign (a ready hash) and kvwHashSign (data hashed on the token), directly and with
// callbacks; the scripted Gui.bin answers the PIN 1234.
// Runs in the browser page signing.html and in the ActiveX test container; `plugin` is the
// element's scripting object.
var hash = "5A3B7F0E1D2C4B6A89786756453423120F1E2D3C4B5A69788796A5B4C3D2E1F0";
// Order of the CryptoPro-A group: r and s, written most significant digit first, lie below it.
var q = "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF6C611070995AD10045841B09B761B893";
var zero = "0000000000000000000000000000000000000000000000000000000000000000";

// In the order of a row's check: (value, label).
function checkSignature(signature, name) {
  if (!kvIsHex128(signature, name + ": 128 hex digits"))
    return;
  var r = signature.substr(0, 64), s = signature.substr(64);
  kv.check(name + ": r and s in 1..q-1", r < q && s < q && r !== zero && s !== zero, signature);
}

kv.directs("prepare", plugin, [["container", "kvwGenKeyPair", ["signer", kvPin], kvIsHex128]]);

var first = null;
kv.directs("kvwSign directly", plugin, [
  ["first", "kvwSign", ["signer", hash, kvPin], function (signature, label) {
    checkSignature(signature, label);
    first = signature;
  }],
  ["second", "kvwSign", ["signer", hash, kvPin], function (signature, label) {
    checkSignature(signature, label);
    kv.check("a fresh nonce each time", first !== signature);
  }],
  ["lower-case hex is accepted", "kvwSign", ["signer", hash.toLowerCase(), kvPin],
   function (signature, label) { kv.equal(label, typeof signature, "string"); }]
]);

var long = "";
for (var i = 0; i < 500; i++)
  long += "0123456789ABCDEF";
kv.directs("kvwHashSign directly", plugin, [
  ["short data", "kvwHashSign", ["signer", "616263", kvPin], checkSignature],
  ["4000 bytes of data", "kvwHashSign", ["signer", long, kvPin], checkSignature]
]);

kv.directs("failures", plugin, [
  ["kvwSign: empty name", "kvwSign", ["", hash, kvPin], -11],
  ["kvwSign: empty data", "kvwSign", ["signer", "", kvPin], -11],
  ["kvwHashSign: empty data", "kvwHashSign", ["signer", ""], -11],
  ["kvwSign: no such container", "kvwSign", ["nobody", hash, kvPin], -20],
  ["kvwHashSign: no such container", "kvwHashSign", ["nobody", "00", kvPin], -20],
  ["one hex digit: the token refuses empty data", "kvwSign", ["signer", "7", kvPin],
   function (refused, label) {
     kv.check(label, typeof refused === "number" && refused < 0, String(refused));
   }]
]);

kv.step("kvwSign with callbacks", function (next) {
  kv.callback(plugin, "kvwSign", ["signer", hash, kvPin], function (r) {
    kv.equal("success callback", r.ok, true);
    checkSignature(r.value, "signature");
    next();
  });
});

kv.step("kvwHashSign with callbacks", function (next) {
  kv.callback(plugin, "kvwHashSign", ["signer", "616263", kvPin], function (r) {
    kv.equal("success callback", r.ok, true);
    checkSignature(r.value, "signature");
    next();
  });
});

kv.step("kvwSign with callbacks: no such container", function (next) {
  kv.callback(plugin, "kvwSign", ["nobody", hash, kvPin], function (r) {
    kv.equal("error callback", r.ok, false);
    kv.equal("code as text", r.value, "-20");
    next();
  });
});

kv.step("kvwHashSign with callbacks: empty name", function (next) {
  kv.callback(plugin, "kvwHashSign", ["", "00", null], function (r) {
    kv.equal("code as text", r.value, "-11");
    next();
  });
});

kv.run();
