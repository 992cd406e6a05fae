// Creating, listing, reading and removing containers on a fresh token, directly and with
// callbacks; the scripted Gui.bin answers the PIN 1234.
// Runs in the browser page containers.html and in the ActiveX test container; `plugin` is the
// element's scripting object.
var keys = {};

function listed() {
  var names = [];
  var count = plugin.kvwGetNumberOfContainers();
  for (var i = 0; i < count; i++)
    names.push(plugin.kvwGetContainerName(i));
  return names.sort().join(",");
}

kv.step("empty token", function () {
  kv.equal("never listed: name 0", plugin.kvwGetContainerName(0), -20);
  kv.equal("no containers", plugin.kvwGetNumberOfContainers(), 0);
  kv.equal("public key of a missing container", plugin.kvwGetPublicKey("alpha"), -20);
});

kv.step("create directly", function () {
  keys.alpha = plugin.kvwGenKeyPair("alpha", "1234");
  kv.matches("public key: 128 hex digits", keys.alpha, kvHex128);
  kv.equal("kvwGetPublicKey gives the same key", plugin.kvwGetPublicKey("alpha"), keys.alpha);
  kv.equal("creating it again", plugin.kvwGenKeyPair("alpha", "1234"), -21);
  kv.equal("it is left untouched", plugin.kvwGetPublicKey("alpha"), keys.alpha);
  kv.equal("empty name", plugin.kvwGenKeyPair("", "1234"), -11);
});

kv.step("create with callbacks", function (next) {
  kv.callback(plugin, "kvwGenKeyPair", ["beta#%#2", "1234"], function (r) {
    kv.equal("success callback", r.ok, true);
    kv.matches("public key: 128 hex digits", r.value, kvHex128);
    keys.beta = r.value;
    kv.check("a different key", keys.beta !== keys.alpha);
    next();
  });
});

kv.step("public key with callbacks", function (next) {
  kv.callback(plugin, "kvwGetPublicKey", ["beta#%#2"], function (r) {
    kv.equal("same key as created", r.value, keys.beta);
    next();
  });
});

kv.step("list", function () {
  kv.equal("count", plugin.kvwGetNumberOfContainers(), 2);
  kv.equal("names, stored unchanged", listed(), "alpha,beta#%#2");
  kv.equal("index past the end", plugin.kvwGetContainerName(2), -20);
  kv.equal("negative index", plugin.kvwGetContainerName(-1), -10);
});

kv.step("count with callbacks", function (next) {
  kv.callback(plugin, "kvwGetNumberOfContainers", [], function (r) {
    kv.equal("a number", r.value, 2);
    next();
  });
});

kv.step("name with callbacks", function (next) {
  kv.callback(plugin, "kvwGetContainerName", [5], function (r) {
    kv.equal("error callback", r.ok, false);
    kv.equal("code as text", r.value, "-20");
    next();
  });
});

kv.step("create with callbacks: exists", function (next) {
  kv.callback(plugin, "kvwGenKeyPair", ["alpha", "1234"], function (r) {
    kv.equal("error callback", r.ok, false);
    kv.equal("code as text", r.value, "-21");
    next();
  });
});

kv.step("create with callbacks: empty name", function (next) {
  kv.callback(plugin, "kvwGenKeyPair", ["", null], function (r) {
    kv.equal("code as text", r.value, "-11");
    next();
  });
});

kv.step("remove directly", function () {
  kv.equal("kvwDestroyContainer", plugin.kvwDestroyContainer("alpha", "1234"), true);
  kv.equal("removing it again", plugin.kvwDestroyContainer("alpha", "1234"), -20);
  kv.equal("its public key is gone", plugin.kvwGetPublicKey("alpha"), -20);
  kv.equal("empty name", plugin.kvwDestroyContainer(""), -11);
  kv.equal("the other one stays", listed(), "beta#%#2");
});

kv.step("remove with callbacks", function (next) {
  kv.callback(plugin, "kvwDestroyContainer", ["beta#%#2", "1234"], function (r) {
    kv.equal("result", r.value, true);
    kv.equal("no containers left", plugin.kvwGetNumberOfContainers(), 0);
    next();
  });
});

kv.step("remove with callbacks: missing", function (next) {
  kv.callback(plugin, "kvwDestroyContainer", ["beta#%#2", "1234"], function (r) {
    kv.equal("code as text", r.value, "-20");
    next();
  });
});

kv.run();
