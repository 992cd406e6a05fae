// kvwSign (a ready hash) and kvwHashSign (data hashed on the token), directly and with
// callbacks; the scripted Gui.bin answers the PIN 1234.
// Runs in the browser page signing.html and in the ActiveX test container; `plugin` is the
// element's scripting object.
var hash = "5A3B7F0E1D2C4B6A89786756453423120F1E2D3C4B5A69788796A5B4C3D2E1F0";
// Order of the CryptoPro-A group: r and s, written most significant digit first, lie below it.
var q = "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF6C611070995AD10045841B09B761B893";
var zero = "0000000000000000000000000000000000000000000000000000000000000000";

function checkSignature(name, signature) {
  if (!kv.matches(name + ": 128 hex digits", signature, kvHex128))
    return;
  var r = signature.substr(0, 64), s = signature.substr(64);
  kv.check(name + ": r and s in 1..q-1", r < q && s < q && r !== zero && s !== zero, signature);
}

kv.step("prepare", function () {
  kv.matches("container", plugin.kvwGenKeyPair("signer", "1234"), kvHex128);
});

kv.step("kvwSign directly", function () {
  var first = plugin.kvwSign("signer", hash, "1234");
  checkSignature("first", first);
  var second = plugin.kvwSign("signer", hash, "1234");
  checkSignature("second", second);
  kv.check("a fresh nonce each time", first !== second);
  kv.equal("lower-case hex is accepted", typeof plugin.kvwSign("signer", hash.toLowerCase(),
                                                               "1234"), "string");
});

kv.step("kvwHashSign directly", function () {
  checkSignature("short data", plugin.kvwHashSign("signer", "616263", "1234"));
  var long = "";
  for (var i = 0; i < 500; i++)
    long += "0123456789ABCDEF";
  checkSignature("4000 bytes of data", plugin.kvwHashSign("signer", long, "1234"));
});

kv.step("failures", function () {
  kv.equal("kvwSign: empty name", plugin.kvwSign("", hash, "1234"), -11);
  kv.equal("kvwSign: empty data", plugin.kvwSign("signer", "", "1234"), -11);
  kv.equal("kvwHashSign: empty data", plugin.kvwHashSign("signer", ""), -11);
  kv.equal("kvwSign: no such container", plugin.kvwSign("nobody", hash, "1234"), -20);
  kv.equal("kvwHashSign: no such container", plugin.kvwHashSign("nobody", "00", "1234"), -20);
  var refused = plugin.kvwSign("signer", "7", "1234");
  kv.check("one hex digit: the token refuses empty data",
           typeof refused === "number" && refused < 0, String(refused));
});

kv.step("kvwSign with callbacks", function (next) {
  kv.callback(plugin, "kvwSign", ["signer", hash, "1234"], function (r) {
    kv.equal("success callback", r.ok, true);
    checkSignature("signature", r.value);
    next();
  });
});

kv.step("kvwHashSign with callbacks", function (next) {
  kv.callback(plugin, "kvwHashSign", ["signer", "616263", "1234"], function (r) {
    kv.equal("success callback", r.ok, true);
    checkSignature("signature", r.value);
    next();
  });
});

kv.step("kvwSign with callbacks: no such container", function (next) {
  kv.callback(plugin, "kvwSign", ["nobody", hash, "1234"], function (r) {
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
