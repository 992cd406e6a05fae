// The page library in Wine's JScript (the Windows Script Host's engine: ES3, no Promise, no
// timers, no Uint8Array), on a stand-in for the plug-in's scripting object that answers its
// callbacks later, from the loop below, as the browser's main thread would:
//
//   wine cscript //nologo tests\web\jscript\library.js
//
// Proves what an ActiveX page relies on before the real control is there: the library loads,
// its own Promise settles in order, calls queue one at a time, codes get their names.

// The Script Host runs one file: the library is read and run here, at global level.
var files = new ActiveXObject("Scripting.FileSystemObject");
var here = files.GetParentFolderName(WScript.ScriptFullName);
eval(files.OpenTextFile(files.BuildPath(here, "..\\..\\..\\web\\kestrova.js")).ReadAll());

var checks = 0;
var failures = [];
var later = [];     // the plug-in's callbacks, delivered by the loop
var reactions = []; // the library's Promise reactions, run by the loop

function check(name, ok, detail) {
  checks++;
  WScript.Echo((ok ? "ok: " : "FAILED: ") + name + (ok || detail === undefined ? "" : " (" + detail + ")"));
  if (!ok) {
    failures.push(name);
  }
}

function equal(name, actual, expected) {
  check(name, actual === expected, "got " + actual + ", want " + expected);
}

// The stand-in: each method answers through its callbacks on a later turn of the loop, and
// counts how many calls it is working on at once.
var busy = 0, most = 0, order = [];
function answer(method, ok, error, outcome) {
  busy++;
  most = Math.max(most, busy);
  order.push(method);
  later.push(function () {
    busy--;
    if (outcome.code !== undefined) {
      error(String(outcome.code));
    } else {
      ok(outcome.value);
    }
  });
  return 0;
}
var plugin = {
  version: "1.5.0.0",
  get_version: function () { return "1.5.0.0"; },
  kvwIsTokenPresentAndOK: function (ok, error) { return answer("present", ok, error, { value: -1 }); },
  kvwGetDeviceID: function (ok, error) { return answer("serial", ok, error, { value: "KV0002API" }); },
  kvwUserLoginDlg: function (pin, ok, error) { return answer("login", ok, error, { code: pin === "1234" ? undefined : -4, value: true }); },
  kvwGetPublicKey: function (name, ok, error) {
    return answer("key " + name, ok, error, name === "alpha" ? { value: "0A0B" } : { code: -20 });
  },
  kvwRepair: function (key, hash, ok, error) { return answer("repair", ok, error, { code: -85 }); },
  kvwSign: function (name, hash, pin, ok, error) { return answer("sign", ok, error, { code: 2147483567 }); }
};

function run() {
  var done = false;
  var client = null;
  Kestrova.load({ element: plugin }).then(function (c) {
    client = c;
    equal("a client of the given object", c.version, "1.5.0.0");
    equal("no element", c.element, null);
    var all = Kestrova.Promise.all([
      c.isTokenPresent(),
      c.getDeviceId(),
      c.login("1234"),
      c.getPublicKey("alpha"),
      c.login("0000")["catch"](function (e) { return e; }),
      c.getPublicKey("beta")["catch"](function (e) { return e; }),
      c.repair("KEY", "00")["catch"](function (e) { return e; }),
      c.sign("alpha", "00", "1234")["catch"](function (e) { return e; }),
      c.sign("alpha", "0")["catch"](function (e) { return e; })
    ]);
    equal("only the first call has started", order.length, 1);
    return all;
  }).then(function (r) {
    equal("isTokenPresent with no token", r[0], false);
    equal("getDeviceId", r[1], "KV0002API");
    equal("login", r[2], undefined);
    equal("getPublicKey", r[3], "0A0B");
    equal("a wrong PIN", r[4].name, "PIN_INCORRECT");
    equal("its code", r[4].code, -4);
    check("its message", r[4].message === "Wrong PIN." && r[4].action.length > 0, r[4].message);
    check("a KestrovaError", r[4] instanceof Kestrova.KestrovaError && r[4] instanceof Error);
    equal("no such key", r[5].name, "NOT_FOUND");
    equal("-85 from kvwRepair", r[6].name, "REPAIR_ZERO_MODULUS");
    equal("a vendor's value", r[7].name, "CKR_VENDOR_DEFINED");
    check("its value in the message", r[7].message.indexOf("0x80000001") >= 0, r[7].message);
    equal("odd hexadecimal text", r[8].name, "INVALID_ARGUMENT");
    equal("one call at a time", most, 1);
    equal("in the order made", order.join(","), "present,serial,login,key alpha,login,key beta,repair,sign");
    var bytes = Kestrova.hexToBytes("0AFF");
    check("bytes without Uint8Array", bytes.length === 2 && bytes[0] === 10 && bytes[1] === 255);
    equal("and back", Kestrova.bytesToHex(bytes), "0AFF");
    return Kestrova.Promise.reject(new Error("thrown"));
  }).then(null, function (e) {
    equal("a rejection reaches the next handler", e.message, "thrown");
    var steps = [];
    var p = Kestrova.Promise.resolve(1)["finally"](function () { steps.push("finally"); });
    steps.push("sync");
    return p.then(function (v) {
      equal("reactions run after the current script", steps.join(","), "sync,finally");
      equal("finally keeps the value", v, 1);
    });
  }).then(function () {
    done = true;
  }, function (e) {
    check("no failure", false, e.message);
    done = true;
  });
  return function () { return done; };
}

var status = 1;
try {
  equal("JScript has no Promise: the library brings its own", Kestrova.Promise, Kestrova.BuiltinPromise);
  Kestrova.setScheduler(function (job) { reactions.push(job); });
  var finished = run();
  var deadline = new Date().getTime() + 20000;
  while (!finished() && new Date().getTime() < deadline) {
    if (reactions.length) {
      reactions.shift()();
    } else if (later.length) {
      later.shift()();
    } else {
      WScript.Sleep(1);
    }
  }
  check("finished", finished());
  status = failures.length === 0 ? 0 : 1;
  WScript.Echo("kv-test: " + (status === 0 ? "PASS " + checks + " checks passed" : "FAIL " + failures.join("; ")));
} catch (e) {
  WScript.Echo("kv-test: FAIL script exception: " + e.message);
}
WScript.Quit(status);
