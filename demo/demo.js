// The Kestrova demo page, built on the page library (web/kestrova.js): every feature of the
// plug-in behind a button, each call written to the "What happened" table with its result in
// words. Opened with #tour, the page walks through everything by itself (with the demo PIN)
// and reports to the test driver when done. The code is meant to be read as an example.
// In English or Russian: ?lang=en or ?lang=ru, else the browser's language.
var DEMO_PIN = "1234";
// The tour tries PINs, a wrong one among them: it runs only on the demo token, so that it never
// counts wrong PINs against a token of the user's.
var DEMO_SERIAL = "KVDEMO0001";
/** @type {Kestrova.Client | null} the plug-in, once loaded */
var client = null;

/** @returns {any} the page's element of that id: an input, a table, a cell... */
function element(id) {
  return document.getElementById(id);
}

// The page's language; the page library's messages follow it.
var LANGUAGE = (function () {
  var asked = /[?&]lang=([A-Za-z-]+)/.exec(location.search || "");
  var tag = String(asked ? asked[1] : Kestrova.language).toLowerCase();
  return tag.indexOf("ru") === 0 ? "ru" : "en";
})();
/** @type {{ language: string }} */ (Kestrova).language = LANGUAGE;

/**
 * @param {string} english
 * @param {string} russian
 * @returns {string} the text in the page's language
 */
function t(english, russian) {
  return LANGUAGE === "ru" ? russian : english;
}

// The page's fixed texts: each element with a Russian text carries it in data-ru.
function translatePage() {
  if (LANGUAGE !== "ru" || !document.querySelectorAll)
    return;
  document.documentElement.lang = "ru";
  var marked = document.querySelectorAll("[data-ru]");
  for (var i = 0; i < marked.length; i++)
    marked[i].innerHTML = marked[i].getAttribute("data-ru") || "";
}
translatePage();

function hexSpan(text) {
  var span = document.createElement("span");
  span.className = "hex";
  span.textContent = text;
  return span;
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

// Calls a client method and writes the transcript row. The promise keeps the method's result
// or its KestrovaError, so callers go on with then(). Neither a PIN nor the arguments listed
// in `secret` (a private key) reach the transcript.
/**
 * @param {keyof Kestrova.Client} method
 * @param {any[]} args
 * @param {(value: any) => string} [meaning]
 * @param {number[]} [secret]
 */
function call(method, args, meaning, secret) {
  var shown = args.map(function (a, i) {
    if (secret && secret.indexOf(i) >= 0)
      return "(secret)";
    if (a !== null && typeof a === "object" && "pin" in a)
      return "{ pin }";
    return a === null || a === undefined ? "null" : JSON.stringify(shortValue(a, 12));
  });
  var label = "client." + method + "(" + shown.join(", ") + ")";
  if (!client) {
    record(label, t("no client", "нет клиента"), t("the plug-in is not loaded", "плагин не загружен"),
           "failed");
    return Kestrova.Promise.reject(new Error("not loaded"));
  }
  var promise = /** @type {any} */ (client)[method].apply(client, args);
  return promise.then(function (value) {
    var shownValue = Array.isArray(value) ? JSON.stringify(value) : shortValue(value, 12);
    record(label, value === undefined ? t("done", "выполнено") : shownValue,
           meaning ? meaning(value) : "", "ok");
    return value;
  }, function (error) {
    var outcome = error.name + (error.code !== null ? " (" + error.code + ")" : "");
    record(label, outcome, error.message + " " + error.action, "failed");
    throw error;
  });
}

function pinArgument() {
  var typed = pin();
  return typed ? { pin: typed } : null;
}

function failedText(error) {
  return t("failed: ", "ошибка: ") + error.message;
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
    remove.textContent = t("Remove", "Удалить");
    remove.onclick = function () { removeContainer(name).then(nothing, nothing); };
    row.insertCell(-1).appendChild(remove);
  });
  if (containers.length === 0)
    body.insertRow(-1).insertCell(-1).textContent = t("no containers", "нет контейнеров");
  fillSelect("sign-container");
  fillSelect("key-container");
  fillSelect("key-peer", containers[1]);
  fillSelect("cert-container");
}

// Finds the plug-in and starts it; the page shows what a user without it would see.
function start() {
  var found = Kestrova.detect();
  element("plugin").textContent = found.installed ? t("found (", "найден (") + found.face + ")"
                                                  : t("not installed", "не установлен");
  return Kestrova.load().then(function (loaded) {
    client = loaded;
    element("plugin").textContent = t("loaded (", "загружен (") + loaded.face + "), kestrova.js " +
                                    Kestrova.version;
    element("plugin").className = "ok";
    element("version").textContent = loaded.version;
  }, function (error) {
    element("plugin").textContent = error.message + " " + error.action;
    element("plugin").className = "failed";
    record("Kestrova.load()", error.name, error.message, "failed");
    throw error;
  });
}

function checkToken() {
  return call("isTokenPresent", [], function (present) {
    return present ? t("a token is present", "токен вставлен")
                   : t("no token is inserted", "токен не вставлен");
  }).then(function (present) {
    element("status").textContent = present ? t("present", "вставлен") : t("no token", "нет токена");
    element("status").className = present ? "ok" : "failed";
    if (!present)
      return false;
    return call("getDeviceId", [], function () {
      return t("the token's serial number", "серийный номер токена");
    })
        .then(function (serial) {
          element("serial").textContent = serial;
          return true;
        });
  });
}

function login() {
  return call("login", [pinArgument()], function () {
    return t("the token accepted the PIN and was logged out again",
             "токен принял PIN-код, и вход снова завершён");
  });
}

function listContainers() {
  return call("listContainers", [], function (names) {
    return t(names.length + " container" + (names.length === 1 ? "" : "s") + " on the token",
             "контейнеров на токене: " + names.length);
  }).then(function (names) {
    containers = names;
    // Each public key; a container holding only a certificate has none.
    return Kestrova.Promise.all(names.map(function (name) {
      return client.getPublicKey(name).then(function (key) {
        publicKeys[name] = key;
      }, function () {
        publicKeys[name] = "";
      });
    }));
  }).then(showContainers);
}

function createContainer(name) {
  return call("generateKeyPair", [name, pinArgument()], function () {
    return t("new key pair; its public key is X then Y",
             "новая ключевая пара; открытый ключ: X, затем Y");
  }).then(function (key) {
    return listContainers().then(function () { return key; });
  });
}

function removeContainer(name) {
  return call("destroyContainer", [name, pinArgument()], function () {
    return t("keys and certificate removed", "ключи и сертификат удалены");
  }).then(listContainers);
}

// "Hash and sign" has the token hash the text's UTF-8 bytes; "Sign as a ready hash" takes those
// bytes themselves as the hash value, padded to 32 bytes.
function sign(hashed) {
  var name = element("sign-container").value;
  var hex = Kestrova.textToHex(element("sign-data").value);
  if (!hashed)
    hex = (hex + new Array(65).join("0")).substr(0, 64);
  var out = element("signature");
  out.innerHTML = "";
  out.className = "result";
  return call(hashed ? "hashSign" : "sign", [name, hex, pinArgument()], function () {
    return t("signature r then s, 32 bytes each", "подпись: r, затем s, по 32 байта");
  }).then(function (value) {
    out.appendChild(document.createTextNode("r, s:"));
    out.appendChild(hexSpan(value.substr(0, 64) + " " + value.substr(64)));
    out.appendChild(document.createTextNode(t("public key of \u201c" + name + "\u201d:",
                                              "открытый ключ \u00ab" + name + "\u00bb:")));
    out.appendChild(hexSpan(publicKeys[name] || ""));
    return value;
  }, function (error) {
    out.textContent = failedText(error);
    out.className = "result failed";
    throw error;
  });
}

// Both containers derive the key, each with the other's public key: the same key comes out.
function deriveBothSides() {
  var mine = element("key-container").value;
  var peer = element("key-peer").value;
  var ukm = element("ukm").value;
  var out = element("session-key");
  var fromMine = null;
  return call("makeSessionKey", [mine, publicKeys[peer] || "", ukm, pinArgument()], function () {
    return t("32-byte GOST 28147-89 key", "32-байтовый ключ ГОСТ 28147-89");
  }).then(function (key) {
    fromMine = key;
    return call("makeSessionKey", [peer, publicKeys[mine] || "", ukm, pinArgument()],
                function (other) {
                  return other === key
                             ? t("the peer derives the same key", "другая сторона получает тот же ключ")
                             : t("the keys differ", "ключи различаются");
                });
  }).then(function (fromPeer) {
    out.innerHTML = "";
    out.appendChild(document.createTextNode(
        t("\u201c" + mine + "\u201d with \u201c" + peer + "\u201d's public key:",
          "\u00ab" + mine + "\u00bb с открытым ключом \u00ab" + peer + "\u00bb:")));
    out.appendChild(hexSpan(fromMine));
    var agree = fromPeer === fromMine;
    var verdict = document.createElement("span");
    verdict.className = agree ? "ok" : "failed";
    verdict.textContent =
        agree ? t("\u201c" + peer + "\u201d derives the same key from \u201c" + mine +
                      "\u201d's public key.",
                  "\u00ab" + peer + "\u00bb получает тот же ключ с открытым ключом \u00ab" + mine +
                      "\u00bb.")
              : t("The other side got: ", "Другая сторона получила: ") + fromPeer;
    out.appendChild(verdict);
    return agree;
  }, function (error) {
    out.textContent = failedText(error);
    throw error;
  });
}

function importCertificate() {
  var name = element("cert-container").value;
  var out = element("import-result");
  return call("importCertificate", [name, element("certificate").value], function () {
    return t("certificate stored in the container (no PIN needed)",
             "сертификат записан в контейнер (PIN-код не нужен)");
  }).then(function () {
    out.textContent = t("Stored in \u201c" + name + "\u201d.", "Записан в \u00ab" + name + "\u00bb.");
    out.className = "result ok";
  }, function (error) {
    out.textContent = failedText(error);
    out.className = "result failed";
    throw error;
  });
}

function repair() {
  var out = element("repair-result");
  out.innerHTML = "";
  return call("repair", [element("repair-key").value, element("repair-hash").value], function () {
    return t("made in software: r then s", "вычислена программно: r, затем s");
  }, [0]).then(function (value) {
    out.appendChild(hexSpan(value.substr(0, 64) + " " + value.substr(64)));
    return value;
  }, function (error) {
    out.textContent = failedText(error);
    throw error;
  });
}

// Buttons: the transcript shows failures, so a button's promise ends quietly.
function nothing() {}
function button(id, action) {
  element(id).onclick = function () { action().then(nothing, nothing); };
}
button("check", checkToken);
button("login", login);
button("create", function () { return createContainer(element("container").value); });
button("list", listContainers);
button("hash-sign", function () { return sign(true); });
button("sign", function () { return sign(false); });
button("derive", deriveBothSides);
button("import", importCertificate);
button("repair", repair);

// The automatic walk: each step runs after the previous one answered and says whether what
// happened is what the demo expects: a success, or a failure of a given name. The walk stops at
// the first step that does not, so a PIN refused when it should not be is never followed by
// another try.
function tour() {
  var failures = [];
  var stopped = {};
  function unexpected(what) {
    failures.push(what);
    throw stopped;
  }
  function succeeds(what, action) {
    return function () {
      return action().then(function (result) {
        if (result === false)
          unexpected(what);
      }, function () {
        unexpected(what);
      });
    };
  }
  function failsWith(what, name, action) {
    return function () {
      return action().then(function () {
        unexpected(what + " (it succeeded)");
      }, function (error) {
        if (error.name !== name)
          unexpected(what + " (" + error.name + ")");
      });
    };
  }
  function withPin(typed, action) {
    return function () {
      element("pin").value = typed;
      return action();
    };
  }
  function onDemoToken() {
    var serial = element("serial").textContent;
    if (serial === DEMO_SERIAL)
      return;
    record(t("the tour", "обход"), t("not started", "не начат"),
           t("it runs only on the demo token (" + DEMO_SERIAL + "); this one is " + serial +
             ", and no PIN was tried on it",
             "он идёт только на демонстрационном токене (" + DEMO_SERIAL + "); этот токен \u2014 " +
             serial + ", PIN-код на нём не проверялся"),
           "failed");
    unexpected("the tour runs only on the demo token " + DEMO_SERIAL + ", not " + serial);
  }
  var steps = [
    succeeds("token present", checkToken),
    onDemoToken,
    withPin("0000", failsWith("a wrong PIN is refused", "PIN_INCORRECT", login)),
    withPin(DEMO_PIN, succeeds("login", login)),
    succeeds("list", listContainers),
    // Containers left by an earlier run go first.
    function () {
      var old = containers.filter(function (n) { return /^Demo /.test(n); });
      return old.reduce(function (done, name) {
        return done.then(function () { return removeContainer(name); });
      }, Kestrova.Promise.resolve()).then(nothing, function () { unexpected("clean up"); });
    },
    succeeds("create signer", function () { return createContainer("Demo signer"); }),
    succeeds("create peer", function () { return createContainer("Demo peer"); }),
    failsWith("an existing name is refused", "ALREADY_EXISTS",
              function () { return createContainer("Demo signer"); }),
    succeeds("create temporary", function () { return createContainer("Demo temporary"); }),
    succeeds("remove", function () { return removeContainer("Demo temporary"); }),
    succeeds("sign a hash", function () {
      element("sign-container").value = "Demo signer";
      return sign(false);
    }),
    succeeds("hash and sign", function () { return sign(true); }),
    succeeds("session key agreed", function () {
      element("key-container").value = "Demo signer";
      element("key-peer").value = "Demo peer";
      return deriveBothSides();
    }),
    succeeds("import certificate", function () {
      element("cert-container").value = "Demo signer";
      return importCertificate();
    }),
    succeeds("software signature", repair),
    failsWith("a missing container is reported", "NOT_FOUND",
              function () { return call("getPublicKey", ["No such container"]); }),
    failsWith("a missing argument is reported", "MISSING_ARGUMENT",
              function () { return call("sign", ["", "00", { pin: DEMO_PIN }]); })
  ];
  function finish() {
    window.scrollTo(0, 0);
    var passed = failures.length === 0;
    if (testDriver)
      testDriver.done(passed, passed ? "every feature shown"
                                     : "unexpected: " + failures.join(", "));
  }
  steps.reduce(function (done, step) { return done.then(step); }, Kestrova.Promise.resolve())
      .then(finish, finish);
}

// The browser-test driver, when the page runs under it.
var testDriver = /** @type {any} */ (window).kvTest;

start().then(function () {
  if (location.hash === "#tour")
    tour();
  else
    checkToken().then(listContainers).then(nothing, nothing);
}, function () {
  if (location.hash === "#tour" && testDriver)
    testDriver.done(false, "the plug-in did not load");
});
