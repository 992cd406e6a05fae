// The page library's own walk through every method on a real plug-in and a fresh token
// (serial KV0002API, PIN 1234, PIN entry answering 1234). It runs in browser pages and, being
// ES3 without a DOM, in the Windows Script Host too. `t` is the runner: step(name, fn(next)),
// check(name, ok, detail), equal(name, actual, expected), and optionally load(), which gives
// the client where Kestrova.load() cannot make an element.
function kvLibrarySuite(Kestrova, t) {
  var PIN = kvPin; // from kvtest.js
  var HASH = "5A3B7F0E1D2C4B6A89786756453423120F1E2D3C4B5A69788796A5B4C3D2E1F0";
  // Order of the CryptoPro-A group: r and s, written most significant digit first, lie below it.
  var Q = "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF6C611070995AD10045841B09B761B893";
  var ZERO = "0000000000000000000000000000000000000000000000000000000000000000";
  var SCRAMBLED = "PLOKIJUHYGTFRDES0123456789PLOKIJPLOKIJUHYGTFRDES0123456789PLOKIJ";
  var HEX128 = /^[0-9A-F]{128}$/;
  var client = null;
  var keys = {};

  function text(value) {
    if (value === null || value === undefined) {
      return String(value);
    }
    if (typeof value === "string") {
      return '"' + (value.length > 40 ? value.substr(0, 40) + "..." : value) + '"';
    }
    return typeof value + " " + String(value);
  }

  function contains(list, item) {
    for (var i = 0; i < list.length; i++) {
      if (list[i] === item) {
        return true;
      }
    }
    return false;
  }

  // Runs the functions one after another; each gets go() to call when it is done.
  function chain(parts, done) {
    var i = 0;
    function go() {
      if (i < parts.length) {
        parts[i++](go);
      } else {
        done();
      }
    }
    go();
  }

  // then(value) once the promise fulfils, after checking it with test.
  function value(name, promise, test, then) {
    return function (go) {
      promise().then(function (v) {
        t.check(name, test(v), "got " + text(v));
        if (then) {
          then(v);
        }
        go();
      }, function (e) {
        t.check(name, false, "rejected: " + String(e));
        go();
      });
    };
  }

  // The promise must reject with a KestrovaError of that name (and code, when given).
  function failure(name, promise, wanted, code) {
    return function (go) {
      promise().then(function (v) {
        t.check(name + ": " + wanted, false, "fulfilled with " + text(v));
        go();
      }, function (e) {
        t.check(name + ": a KestrovaError", e instanceof Kestrova.KestrovaError, String(e));
        t.equal(name + ": name", e.name, wanted);
        if (code !== undefined) {
          t.equal(name + ": code", e.code, code);
        }
        t.check(name + ": message and advice", typeof e.message === "string" &&
                e.message.length > 0 && typeof e.action === "string" && e.action.length > 0,
                e.message + " / " + e.action);
        go();
      });
    };
  }

  function is(expected) {
    return function (v) { return v === expected; };
  }

  function signature(v) {
    if (typeof v !== "string" || !HEX128.test(v)) {
      return false;
    }
    var r = v.substr(0, 64), s = v.substr(64);
    return r < Q && s < Q && r !== ZERO && s !== ZERO;
  }

  // Hexadecimal text of the bytes from..to-1, each byte its own index: 000102...
  function counting(from, to) {
    var hex = "";
    for (var i = from; i < to; i++) {
      hex += (i < 16 ? "0" : "") + i.toString(16).toUpperCase();
    }
    return hex;
  }

  function reversedBytes(hex) {
    var out = "";
    for (var i = hex.length - 2; i >= 0; i -= 2) {
      out += hex.substr(i, 2);
    }
    return out;
  }

  // Every step after the first needs the client: without one, the failed load says it all.
  var step = function (name, fn) {
    t.step(name, function (next) {
      if (!client) {
        next();
      } else if (fn.length === 0) {
        fn();
        next();
      } else {
        fn(next);
      }
    });
  };

  t.step("load", function (next) {
    (t.load ? t.load() : Kestrova.load()).then(function (c) {
      client = c;
      t.check("a client", c instanceof Kestrova.Client);
      t.equal("its version", c.version, "1.5.0.0");
      next();
    }, function (e) {
      t.check("load", false, String(e));
      next();
    });
  });

  step("every method of the plug-in has its client method", function () {
    var raw = ["get_version", "kvwIsTokenPresentAndOK", "kvwIsUserLoggedIn", "kvwUserLoginDlg",
               "kvwLogout", "kvwSign", "kvwHashSign", "kvwGenKeyPair", "kvwDestroyContainer",
               "kvwGetNumberOfContainers", "kvwGetContainerName", "kvwGetPublicKey",
               "kvwRepair", "kvwMakeSessionKey", "kvwGetDeviceID", "kvwImportCertificate"];
    var mapped = [];
    for (var name in Kestrova.methods) {
      if (Kestrova.methods.hasOwnProperty(name)) {
        mapped.push(Kestrova.methods[name]);
        t.check(name + " is a client method", typeof client[name] === "function");
      }
    }
    for (var i = 0; i < raw.length; i++) {
      t.check(raw[i] + " is covered", contains(mapped, raw[i]));
    }
  });

  step("token state", function (next) {
    chain([
      value("getVersion", function () { return client.getVersion(); }, is("1.5.0.0")),
      value("isTokenPresent", function () { return client.isTokenPresent(); }, is(true)),
      value("getDeviceId", function () { return client.getDeviceId(); }, is("KV0002API")),
      value("isUserLoggedIn", function () { return client.isUserLoggedIn(); }, is(false)),
      value("login with a PIN", function () { return client.login(PIN); }, is(undefined)),
      value("login with { pin }", function () { return client.login({ pin: PIN }); },
            is(undefined)),
      value("logout", function () { return client.logout(); }, is(undefined)),
      value("still not logged in", function () { return client.isUserLoggedIn(); }, is(false))
    ], next);
  });

  step("containers", function (next) {
    chain([
      value("generateKeyPair alpha", function () {
        return client.generateKeyPair("alpha", PIN);
      }, function (v) { return HEX128.test(v); }, function (v) { keys.alpha = v; }),
      value("generateKeyPair beta", function () {
        return client.generateKeyPair("beta", { pin: PIN });
      }, function (v) { return HEX128.test(v); }, function (v) { keys.beta = v; }),
      value("getPublicKey reads the same key", function () {
        return client.getPublicKey("alpha");
      }, function (v) { return v === keys.alpha; }),
      value("listContainers", function () { return client.listContainers(); }, function (v) {
        return v.length === 2 && contains(v, "alpha") && contains(v, "beta");
      }),
      value("getNumberOfContainers", function () { return client.getNumberOfContainers(); },
            is(2)),
      value("getContainerName", function () { return client.getContainerName(1); },
            function (v) { return v === "alpha" || v === "beta"; }),
      failure("an existing name", function () { return client.generateKeyPair("alpha", PIN); },
              "ALREADY_EXISTS", -21)
    ], next);
  });

  step("signing", function (next) {
    var first = null;
    chain([
      value("sign a hash", function () { return client.sign("alpha", HASH, PIN); }, signature,
            function (v) { first = v; }),
      value("a fresh nonce each time", function () { return client.sign("alpha", HASH, PIN); },
            function (v) { return signature(v) && v !== first; }),
      value("hashSign text", function () {
        return client.hashSign("alpha", Kestrova.textToHex("Hello, Kestrova"), PIN);
      }, signature),
      value("hashSign bytes", function () {
        return client.hashSign("alpha", [0x61, 0x62, 0x63], { pin: PIN });
      }, signature)
    ], next);
  });

  // Both sides derive the same key only if public keys travel in the documented order.
  step("session key", function (next) {
    var ukm = "0102030405060708";
    var mine = null;
    chain([
      value("alpha with beta's key", function () {
        return client.makeSessionKey("alpha", keys.beta, ukm, PIN);
      }, function (v) { return /^[0-9A-F]{64}$/.test(v); }, function (v) { mine = v; }),
      value("beta with alpha's key gives the same", function () {
        return client.makeSessionKey("beta", keys.alpha, ukm, PIN);
      }, function (v) { return v === mine; })
    ], next);
  });

  // "repair key" holds a public key as a certificate: read back by halves, each reversed.
  step("certificate", function (next) {
    var stored = counting(0, 64);
    chain([
      value("importCertificate", function () {
        return client.importCertificate("repair key", stored);
      }, is(undefined)),
      value("read back by halves", function () { return client.getPublicKey("repair key"); },
            is(reversedBytes(counting(0, 32)) + reversedBytes(counting(32, 64)))),
      failure("a second certificate", function () {
        return client.importCertificate("repair key", stored);
      }, "ALREADY_EXISTS", -21)
    ], next);
  });

  step("software signature", function (next) {
    var first = null;
    chain([
      value("repair", function () { return client.repair(SCRAMBLED, HASH); }, signature,
            function (v) { first = v; }),
      value("a fresh nonce each time", function () { return client.repair(SCRAMBLED, HASH); },
            function (v) { return signature(v) && v !== first; }),
      failure("a short key", function () { return client.repair("PLOK", HASH); },
              "REPAIR_BAD_INPUT", -72)
    ], next);
  });

  step("failures", function (next) {
    chain([
      failure("empty container name", function () { return client.sign("", HASH, PIN); },
              "MISSING_ARGUMENT", -11),
      failure("no such container", function () { return client.sign("nobody", HASH, PIN); },
              "NOT_FOUND", -20),
      failure("no such public key", function () { return client.getPublicKey("nobody"); },
              "NOT_FOUND", -20),
      failure("a negative index", function () { return client.getContainerName(-1); },
              "ARGUMENTS_BAD", -10),
      failure("an index past the list", function () { return client.getContainerName(99); },
              "NOT_FOUND", -20),
      failure("odd hexadecimal text", function () { return client.sign("alpha", "ABC"); },
              "INVALID_ARGUMENT", null),
      failure("a fractional index", function () { return client.getContainerName(0.5); },
              "INVALID_ARGUMENT", null),
      failure("a PIN that is no text", function () { return client.login(1234); },
              "INVALID_ARGUMENT", null)
    ], next);
  });

  step("destroy", function (next) {
    chain([
      value("destroyContainer", function () { return client.destroyContainer("beta", PIN); },
            is(undefined)),
      value("gone from the list", function () { return client.listContainers(); },
            function (v) { return contains(v, "alpha") && !contains(v, "beta"); }),
      failure("a second time", function () { return client.destroyContainer("beta", PIN); },
              "NOT_FOUND", -20)
    ], next);
  });

  step("bytes", function (next) {
    Kestrova.load({ element: client.plugin, output: "bytes" }).then(function (c) {
      t.equal("output", c.output, "bytes");
      return c.getPublicKey("alpha").then(function (key) {
        t.check("a public key as bytes", typeof key === "object" && key.length === 64 &&
                Kestrova.bytesToHex(key) === keys.alpha, text(key));
        t.check("a Uint8Array where the engine has one",
                typeof Uint8Array === "undefined" || key instanceof Uint8Array);
        return c.makeSessionKey("alpha", Kestrova.hexToBytes(keys.beta),
                                Kestrova.hexToBytes("0102030405060708"), PIN);
      }).then(function (key) {
        t.equal("a session key from bytes", key.length, 32);
        next();
      });
    }).then(null, function (e) {
      t.check("bytes", false, String(e));
      next();
    });
  });

  step("close", function (next) {
    var pending = client.getDeviceId();
    client.close();
    pending.then(function (v) {
      t.check("a call not yet answered fails", false, text(v));
      next();
    }, function (e) {
      t.equal("a call not yet answered fails", e.name, "CLIENT_CLOSED");
      client.getVersion().then(function () {
        t.check("later calls fail", false);
        next();
      }, function (e2) {
        t.equal("later calls fail", e2.name, "CLIENT_CLOSED");
        next();
      });
    });
  });
}
