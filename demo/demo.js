// The Kestrova demo page: every feature of the plug-in behind a button, each call written to
// the "What happened" table with its result in words. Opened with #tour, the page walks
// through everything by itself (with the demo PIN) and reports to the test driver when done.
var plugin = document.getElementById("plugin");
var DEMO_PIN = "1234";

// What the plug-in's result codes mean.
var CODES = {
  "-1": "no token is inserted",
  "-2": "not logged in (no login outlives a call)",
  "-3": "the PIN is invalid",
  "-4": "wrong PIN",
  "-5": "the PIN is locked",
  "-6": "the PIN has a wrong length",
  "-10": "bad argument",
  "-11": "a required argument is missing",
  "-12": "a PIN dialog is already open",
  "-20": "no such object on the token",
  "-21": "the object already exists",
  "-40": "out of memory",
  "-50": "the PIN-entry program failed",
  "-51": "the token module is not initialised",
  "-53": "unexpected failure",
  "-60": "the PIN entry was cancelled",
  "-61": "the PIN-entry program could not show its dialog",
  "-72": "software signature: key or hash is not 32 bytes",
  "-73": "software signature: no usable parameters"
};

function explain(code) {
  var text = CODES[String(code)];
  if (text)
    return text;
  var n = Number(code);
  if (n <= -74 && n >= -79)
    return "software signature failed (status " + (-70 - n) + ")";
  if (n < -80)
    return "the token module failed (PKCS#11 error 0x" + (-n - 80).toString(16).toUpperCase() +
           ")";
  return "failure " + code;
}

function element(id) {
  return document.getElementById(id);
}

function hexSpan(text) {
  var span = document.createElement("span");
  span.className = "hex";
  span.textContent = text;
  return span;
}

function textToHex(text) {
  var hex = "";
  var bytes = unescape(encodeURIComponent(text));
  for (var i = 0; i < bytes.length; i++)
    hex += (bytes.charCodeAt(i) < 16 ? "0" : "") + bytes.charCodeAt(i).toString(16).toUpperCase();
  return hex;
}

// The PIN to hand over: typed, or none (then the PIN-entry program asks).
function pin() {
  return element("pin").value || null;
}

// One row of the transcript, also written to the console (the demo's printed transcript).
function record(call, outcome, meaning, state) {
  var row = document.createElement("tr");
  [call, outcome, meaning].forEach(function (text) {
    var cell = document.createElement("td");
    cell.textContent = text;
    row.appendChild(cell);
  });
  row.className = state;
  element("transcript").tBodies[0].appendChild(row);
  console.log("demo: " + call + " -> " + outcome + (meaning ? " (" + meaning + ")" : ""));
}

function shortValue(value, keep) {
  var text = String(value);
  return text.length > 20 ? text.substr(0, keep) + "\u2026" : text;
}

// Calls a method with callbacks; then(ok, value) follows the transcript row. The PIN never
// reaches the transcript.
function call(method, args, describe, then) {
  var shown = args.map(function (a, i) {
    if (describe.pin && i === args.length - 1 && a !== null)
      return "PIN";
    return a === null ? "null" : JSON.stringify(shortValue(a, 12));
  });
  var label = method + "(" + shown.join(", ") + ")";
  var returned = plugin[method].apply(plugin, args.concat([function (value) {
    // -1 from kvwIsTokenPresentAndOK is a result, not a failure, yet it means one.
    if (typeof value === "number" && value < 0)
      record(label, value, explain(value), "failed");
    else
      record(label, shortValue(value, 12), describe.ok ? describe.ok(value) : "", "ok");
    then(true, value);
  }, function (code) {
    record(label, code, explain(code), "failed");
    then(false, code);
  }]));
  if (returned !== 0) {
    record(label, returned, explain(returned), "failed");
    then(false, String(returned));
  }
}

var containers = [];
var publicKeys = {};

function fillSelect(id, preferred) {
  var select = element(id);
  var keep = select.value || preferred;
  select.innerHTML = "";
  containers.forEach(function (name) {
    var option = document.createElement("option");
    option.textContent = name;
    select.appendChild(option);
  });
  if (containers.indexOf(keep) >= 0)
    select.value = keep;
}

function showContainers() {
  var body = element("containers").tBodies[0];
  body.innerHTML = "";
  containers.forEach(function (name) {
    var row = body.insertRow(-1);
    row.insertCell(-1).textContent = name;
    row.insertCell(-1).appendChild(hexSpan(publicKeys[name] || ""));
    var remove = document.createElement("button");
    remove.textContent = "Remove";
    remove.onclick = function () { removeContainer(name, function () {}); };
    row.insertCell(-1).appendChild(remove);
  });
  if (containers.length === 0)
    body.insertRow(-1).insertCell(-1).textContent = "no containers";
  fillSelect("sign-container");
  fillSelect("key-container");
  fillSelect("key-peer", containers[1]);
  fillSelect("cert-container");
}

function checkToken(then) {
  element("version").textContent = plugin.version;
  call("kvwIsTokenPresentAndOK", [], { ok: function () { return "a token is present"; } },
       function (ok, value) {
    element("status").textContent = value === true ? "present" : explain(value);
    element("status").className = value === true ? "ok" : "failed";
    call("kvwGetDeviceID", [], { ok: function () { return "the token's serial number"; } },
         function (ok, serial) {
      element("serial").textContent = ok ? serial : "\u2013";
      then(value === true && ok);
    });
  });
}

function login(then) {
  call("kvwUserLoginDlg", [pin()], { pin: true, ok: function () {
    return "the token accepted the PIN and was logged out again";
  } }, then);
}

function listContainers(then) {
  call("kvwGetNumberOfContainers", [], { ok: function (n) {
    return n + " container" + (n === 1 ? "" : "s") + " on the token";
  } }, function (ok, count) {
    containers = [];
    for (var i = 0; ok && i < count; i++) {
      var name = plugin.kvwGetContainerName(i);
      if (typeof name === "string") {
        containers.push(name);
        var key = plugin.kvwGetPublicKey(name);
        publicKeys[name] = typeof key === "string" ? key : "";
      }
    }
    showContainers();
    then(ok);
  });
}

function createContainer(name, then) {
  call("kvwGenKeyPair", [name, pin()], { pin: true, ok: function () {
    return "new key pair; its public key is X then Y";
  } }, function (ok, key) {
    if (!ok)
      return then(false, key);
    listContainers(function () { then(true, key); });
  });
}

function removeContainer(name, then) {
  call("kvwDestroyContainer", [name, pin()], { pin: true, ok: function () {
    return "keys and certificate removed";
  } }, function (ok) {
    listContainers(function () { then(ok); });
  });
}

function sign(hashed, then) {
  var name = element("sign-container").value;
  var data = element("sign-data").value;
  // "Sign as a ready hash" takes the text's bytes as the hash value itself, padded to 32.
  var hex = textToHex(data);
  if (!hashed)
    hex = (hex + new Array(65).join("0")).substr(0, 64);
  call(hashed ? "kvwHashSign" : "kvwSign", [name, hex, pin()], { pin: true, ok: function () {
    return "signature r then s, 32 bytes each";
  } }, function (ok, value) {
    var out = element("signature");
    out.innerHTML = "";
    if (ok) {
      out.appendChild(document.createTextNode("r, s:"));
      out.appendChild(hexSpan(value.substr(0, 64) + " " + value.substr(64)));
      out.appendChild(document.createTextNode("public key of \u201c" + name + "\u201d:"));
      out.appendChild(hexSpan(publicKeys[name] || ""));
    } else {
      out.textContent = "failed: " + explain(value);
      out.className = "result failed";
    }
    then(ok, value);
  });
}

function deriveBothSides(then) {
  var mine = element("key-container").value;
  var peer = element("key-peer").value;
  var ukm = element("ukm").value;
  var out = element("session-key");
  call("kvwMakeSessionKey", [mine, publicKeys[peer] || "", ukm, pin()], { pin: true, ok:
       function () { return "32-byte GOST 28147-89 key"; } }, function (ok, fromMine) {
    if (!ok) {
      out.textContent = "failed: " + explain(fromMine);
      return then(false);
    }
    call("kvwMakeSessionKey", [peer, publicKeys[mine] || "", ukm, pin()], { pin: true, ok:
         function (key) {
      return key === fromMine ? "the peer derives the same key" : "the keys differ";
    } }, function (ok2, fromPeer) {
      out.innerHTML = "";
      out.appendChild(document.createTextNode("\u201c" + mine + "\u201d with \u201c" + peer +
                                              "\u201d's public key:"));
      out.appendChild(hexSpan(fromMine));
      var agree = ok2 && fromPeer === fromMine;
      var verdict = document.createElement("span");
      verdict.className = agree ? "ok" : "failed";
      verdict.textContent = agree ? "\u201c" + peer + "\u201d derives the same key from \u201c" +
                                        mine + "\u201d's public key."
                                  : "The other side got: " + fromPeer;
      out.appendChild(verdict);
      then(agree);
    });
  });
}

function importCertificate(then) {
  var name = element("cert-container").value;
  call("kvwImportCertificate", [name, element("certificate").value], { ok: function () {
    return "certificate stored in the container (no PIN needed)";
  } }, function (ok, value) {
    element("import-result").textContent = ok ? "Stored in \u201c" + name + "\u201d."
                                              : "failed: " + explain(value);
    element("import-result").className = "result " + (ok ? "ok" : "failed");
    then(ok, value);
  });
}

function repair(then) {
  call("kvwRepair", [element("repair-key").value, element("repair-hash").value], { ok: function () {
    return "made in software: r then s";
  } }, function (ok, value) {
    var out = element("repair-result");
    out.innerHTML = "";
    if (ok)
      out.appendChild(hexSpan(value.substr(0, 64) + " " + value.substr(64)));
    else
      out.textContent = "failed: " + explain(value);
    then(ok, value);
  });
}

function nothing() {}
element("check").onclick = function () { checkToken(nothing); };
element("login").onclick = function () { login(nothing); };
element("create").onclick = function () { createContainer(element("container").value, nothing); };
element("list").onclick = function () { listContainers(nothing); };
element("hash-sign").onclick = function () { sign(true, nothing); };
element("sign").onclick = function () { sign(false, nothing); };
element("derive").onclick = function () { deriveBothSides(nothing); };
element("import").onclick = function () { importCertificate(nothing); };
element("repair").onclick = function () { repair(nothing); };

// The automatic walk: each step runs after the previous one answered and says whether what
// happened is what the demo expects.
function tour() {
  var failures = [];
  function expect(what, good) {
    if (!good)
      failures.push(what);
  }
  var steps = [
    function (next) { checkToken(function (ok) { expect("token present", ok); next(); }); },
    function (next) {
      element("pin").value = "0000";
      login(function (ok, code) {
        expect("a wrong PIN is refused", code === "-4");
        element("pin").value = DEMO_PIN;
        next();
      });
    },
    function (next) { login(function (ok) { expect("login", ok); next(); }); },
    function (next) { listContainers(function (ok) { expect("list", ok); next(); }); },
    // Containers left by an earlier run go first.
    function (next) {
      var old = containers.filter(function (n) { return /^Demo /.test(n); });
      (function removeNext() {
        if (old.length === 0)
          return next();
        removeContainer(old.shift(), removeNext);
      })();
    },
    function (next) {
      createContainer("Demo signer", function (ok) { expect("create signer", ok); next(); });
    },
    function (next) {
      createContainer("Demo peer", function (ok) { expect("create peer", ok); next(); });
    },
    function (next) {
      createContainer("Demo signer", function (ok, code) {
        expect("an existing name is refused", code === "-21");
        next();
      });
    },
    function (next) {
      createContainer("Demo temporary", function (ok) { expect("create temporary", ok); next(); });
    },
    function (next) {
      removeContainer("Demo temporary", function (ok) { expect("remove", ok); next(); });
    },
    function (next) {
      element("sign-container").value = "Demo signer";
      sign(false, function (ok) { expect("sign a hash", ok); next(); });
    },
    function (next) { sign(true, function (ok) { expect("hash and sign", ok); next(); }); },
    function (next) {
      element("key-container").value = "Demo signer";
      element("key-peer").value = "Demo peer";
      deriveBothSides(function (ok) { expect("session key agreed", ok); next(); });
    },
    function (next) {
      element("cert-container").value = "Demo signer";
      importCertificate(function (ok) { expect("import certificate", ok); next(); });
    },
    function (next) { repair(function (ok) { expect("software signature", ok); next(); }); },
    function (next) {
      call("kvwGetPublicKey", ["No such container"], {}, function (ok, code) {
        expect("a missing container is reported", code === "-20");
        next();
      });
    },
    function (next) {
      call("kvwSign", ["", "00", DEMO_PIN], { pin: true }, function (ok, code) {
        expect("a missing argument is reported", code === "-11");
        next();
      });
    }
  ];
  (function run(i) {
    if (i < steps.length)
      return steps[i](function () { setTimeout(function () { run(i + 1); }, 0); });
    window.scrollTo(0, 0);
    var passed = failures.length === 0;
    if (window.kvTest)
      kvTest.done(passed, passed ? "every feature shown" : "unexpected: " + failures.join(", "));
  })(0);
}

if (location.hash === "#tour")
  setTimeout(tour, 0);
else
  checkToken(function () { listContainers(nothing); });
