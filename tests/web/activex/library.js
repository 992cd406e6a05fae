// The page library's walk through every method (tests/e2e/pages/library-suite.js), run by the
// Windows Script Host's JScript on the plug-in's ActiveX face:
//
//   wine cscript //nologo tests\web\activex\library.js
//
// It needs npkestrova.dll registered machine-wide, kvpkcs11.dll and a Gui.bin that answers the
// PIN 1234 beside it, and a fresh software token (serial KV0002API, PIN 1234). JScript has no
// Promise and no timers: the library's own Promise runs, its reactions from the loop below,
// and the plug-in's callbacks arrive while WScript.Sleep waits. Prints one line per check and
// "kv-test: PASS ..." or "kv-test: FAIL ..."; exit code 0 when every check passed.

// The Script Host runs one file: the library and the suite are read and run here, at global
// level.
var files = new ActiveXObject("Scripting.FileSystemObject");
var here = files.GetParentFolderName(WScript.ScriptFullName);
eval(files.OpenTextFile(files.BuildPath(here, "..\\..\\..\\web\\kestrova.js")).ReadAll());
eval(files.OpenTextFile(files.BuildPath(here, "..\\..\\e2e\\pages\\library-suite.js")).ReadAll());

var checks = 0;
var failures = [];
var steps = [];
var jobs = [];
var finished = false;

function check(name, ok, detail) {
  checks++;
  var line = (ok ? "ok: " : "FAILED: ") + name + (ok || detail === undefined ? "" : " (" + detail + ")");
  WScript.Echo(line);
  if (!ok) {
    failures.push(name);
  }
  return ok;
}

var runner = {
  step: function (name, fn) { steps.push({ name: name, fn: fn }); },
  check: check,
  equal: function (name, actual, expected) {
    return check(name, actual === expected, "got " + actual + ", want " + expected);
  },
  load: function () {
    return Kestrova.load({ element: new ActiveXObject(Kestrova.progId), face: "activex" });
  }
};

function runFrom(index) {
  if (index >= steps.length) {
    finished = true;
    return;
  }
  var done = false;
  function next() {
    if (!done) {
      done = true;
      jobs.push(function () { runFrom(index + 1); });
    }
  }
  try {
    if (steps[index].fn.length === 0) {
      steps[index].fn();
      next();
    } else {
      steps[index].fn(next);
    }
  } catch (e) {
    check(steps[index].name + ": no script exception", false, e.message);
    next();
  }
}

var status = 1;
try {
  Kestrova.setScheduler(function (job) { jobs.push(job); });
  kvLibrarySuite(Kestrova, runner);
  runFrom(0);
  var deadline = new Date().getTime() + 120000;
  while (!finished && new Date().getTime() < deadline) {
    while (jobs.length) {
      jobs.shift()();
    }
    if (!finished) {
      WScript.Sleep(10);
    }
  }
  if (!finished) {
    check("every step finished within 120 s", false);
  }
  status = failures.length === 0 && checks > 0 ? 0 : 1;
  WScript.Echo("kv-test: " + (status === 0 ? "PASS " + checks + " checks passed"
                                           : "FAIL " + failures.join("; ")));
} catch (e) {
  WScript.Echo("kv-test: FAIL script exception: " + e.message);
}
WScript.Quit(status);
