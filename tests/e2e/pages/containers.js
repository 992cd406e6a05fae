// Creating, listing, reading and removing containers on a fresh token, directly and with
// callbacks; the scripted Gui.bin answers the PIN 1234.
// Runs in the browser page containers.html and in the ActiveX test container; `plugin` is the
// element's scripting object.
var keys = {};

// The names of every container, sorted: a row that checks them against wanted.
function listed(label, wanted) {
  return function (go) {
    kv.direct(plugin, "kvwGetNumberOfContainers", [], function (count) {
      var names = [];
      function read(i) {
        if (i >= count) {
          kv.equal(label, names.sort().join(","), wanted);
          go();
          return;
        }
        kv.direct(plugin, "kvwGetContainerName", [i], function (name) {
          names.push(name);
          read(i + 1);
        });
      }
      read(0);
    });
  };
}

function isAlpha(key, label) {
  kv.equal(label, key, keys.alpha);
}

kv.directs("empty token", plugin, [
  ["never listed: name 0", "kvwGetContainerName", [0], -20],
  ["no containers", "kvwGetNumberOfContainers", [], 0],
  ["public key of a missing container", "kvwGetPublicKey", ["alpha"], -20]
]);

kv.directs("create directly", plugin, [
  ["public key: 128 hex digits", "kvwGenKeyPair", ["alpha", kvPin], function (key, label) {
    kvIsHex128(key, label);
    keys.alpha = key;
  }],
  ["kvwGetPublicKey gives the same key", "kvwGetPublicKey", ["alpha"], isAlpha],
  ["creating it again", "kvwGenKeyPair", ["alpha", kvPin], -21],
  ["it is left untouched", "kvwGetPublicKey", ["alpha"], isAlpha],
  ["empty name", "kvwGenKeyPair", ["", kvPin], -11]
]);

kv.step("create with callbacks", function (next) {
  kv.callback(plugin, "kvwGenKeyPair", ["beta#%#2", kvPin], function (r) {
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

kv.directs("list", plugin, [
  ["count", "kvwGetNumberOfContainers", [], 2],
  listed("names, stored unchanged", "alpha,beta#%#2"),
  ["index past the end", "kvwGetContainerName", [2], -20],
  ["negative index", "kvwGetContainerName", [-1], -10]
]);

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
  kv.callback(plugin, "kvwGenKeyPair", ["alpha", kvPin], function (r) {
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

kv.directs("remove directly", plugin, [
  ["kvwDestroyContainer", "kvwDestroyContainer", ["alpha", kvPin], true],
  ["removing it again", "kvwDestroyContainer", ["alpha", kvPin], -20],
  ["its public key is gone", "kvwGetPublicKey", ["alpha"], -20],
  ["empty name", "kvwDestroyContainer", [""], -11],
  listed("the other one stays", "beta#%#2")
]);

kv.step("remove with callbacks", function (next) {
  kv.callback(plugin, "kvwDestroyContainer", ["beta#%#2", kvPin], function (r) {
    kv.equal("result", r.value, true);
    kv.direct(plugin, "kvwGetNumberOfContainers", [], function (count) {
      kv.equal("no containers left", count, 0);
      next();
    });
  });
});

kv.step("remove with callbacks: missing", function (next) {
  kv.callback(plugin, "kvwDestroyContainer", ["beta#%#2", kvPin], function (r) {
    kv.equal("code as text", r.value, "-20");
    next();
  });
});

kv.run();
