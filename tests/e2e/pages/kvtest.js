// A tiny runner for the scripting-API pages: steps run one after another, a step may wait for
// callbacks, every check is logged to the console and listed on the page, and the run ends
// with one kvTest.done verdict.
// The PIN the pages pass as an argument. The extension refuses PIN arguments, so its suite runs
// the pages with ?pin=dialog: they pass none and the scripted Gui.bin answers instead.
var kvPin = typeof location !== "undefined" && /[?&]pin=dialog\b/.test(location.search)
    ? undefined : "1234";

var kv = (function () {
  var steps = [];
  var failures = [];
  var checks = 0;
  var current = null;

  function show(text, ok) {
    // A page without a document to write in (the ActiveX test container) only logs.
    if (typeof document === "undefined" || !document.createElement)
      return;
    var list = document.getElementById("results");
    if (!list) {
      list = document.createElement("ul");
      list.id = "results";
      document.body.appendChild(list);
    }
    var item = document.createElement("li");
    item.textContent = text;
    item.style.color = ok ? "green" : "red";
    list.appendChild(item);
  }

  function check(name, ok, detail) {
    checks++;
    var text = (ok ? "ok: " : "FAILED: ") + (current ? current + ": " : "") + name +
               (ok || detail === undefined ? "" : " (" + detail + ")");
    console.log(text);
    show(text, ok);
    if (!ok)
      failures.push(text);
    return ok;
  }

  function describe(value) {
    return typeof value + " " + JSON.stringify(value);
  }

  // Strict equality: a code must come back as a number, a callback's code as text.
  function equal(name, actual, expected) {
    return check(name, actual === expected, "got " + describe(actual) + ", want " +
                                                describe(expected));
  }

  function matches(name, actual, pattern) {
    return check(name, typeof actual === "string" && pattern.test(actual),
                 "got " + describe(actual) + ", want " + pattern);
  }

  // step(name, fn): fn(next) calls next() when its callbacks have arrived; a step that takes
  // no argument is done when it returns.
  function step(name, fn) {
    steps.push({ name: name, fn: fn });
  }

  function finish() {
    current = null;
    var passed = failures.length === 0 && checks > 0;
    kvTest.done(passed, passed ? checks + " checks passed" : failures.join("; "));
  }

  function runFrom(index) {
    if (index >= steps.length) {
      finish();
      return;
    }
    var s = steps[index];
    var finished = false;
    var timer = null;
    function next() {
      if (finished)
        return;
      finished = true;
      if (timer !== null)
        clearTimeout(timer);
      // Leave the callback before the next step starts.
      setTimeout(function () { runFrom(index + 1); }, 0);
    }
    current = s.name;
    try {
      if (s.fn.length === 0) {
        s.fn();
        next();
      } else {
        timer = setTimeout(function () {
          check("callbacks arrived within 15 s", false);
          next();
        }, 15000);
        s.fn(next);
      }
    } catch (e) {
      check("no script exception", false, String(e));
      next();
    }
  }

  // Calls plugin[method](args..., success, error) and hands on({ ok, value }) once a callback
  // has run. Checks that the call returned 0 and that the callback came after the return.
  function callback(plugin, method, args, on) {
    var returned = false;
    var answered = false;
    function answer(ok) {
      return function (value) {
        if (answered) {
          check(method + ": only one callback", false);
          return;
        }
        answered = true;
        check(method + ": callback after the call returned", returned);
        on({ ok: ok, value: value });
      };
    }
    var result = plugin[method].apply(plugin, args.concat([answer(true), answer(false)]));
    returned = true;
    equal(method + " with callbacks returns", result, 0);
  }

  // Calls plugin[method](args...) without callbacks and hands on(result) its result: at once
  // from the plug-in, once settled from the extension, whose direct calls answer a Promise (a
  // rejection hands on its error).
  function direct(plugin, method, args, on) {
    var result = plugin[method].apply(plugin, args);
    if (result && typeof result.then === "function")
      result.then(on, on);
    else
      on(result);
  }

  // A step of direct calls made one after another, each waiting for the one before (the
  // extension's direct calls answer later). A row is [label, method, args, expected]: args may
  // be a function that gives them when the row runs (to use earlier results), expected is the
  // answer the call must give or a function that checks it. A row may also be a function
  // fn(go) for anything else, which calls go() when it is done.
  function directs(name, plugin, rows) {
    step(name, function (next) {
      var i = 0;
      function go() {
        if (i === rows.length) {
          next();
          return;
        }
        var row = rows[i++];
        if (typeof row === "function") {
          row(go);
          return;
        }
        direct(plugin, row[1], typeof row[2] === "function" ? row[2]() : row[2], function (value) {
          if (typeof row[3] === "function")
            row[3](value, row[0]);
          else
            equal(row[0], value, row[3]);
          go();
        });
      }
      go();
    });
  }

  function run() {
    setTimeout(function () { runFrom(0); }, 0);
  }

  return {
    check: check,
    equal: equal,
    matches: matches,
    step: step,
    callback: callback,
    direct: direct,
    directs: directs,
    run: run
  };
})();

// Hexadecimal text of a GOST R 34.10-2001 public key or signature: 64 bytes.
var kvHex128 = /^[0-9A-F]{128}$/;

// A row's check (value, label) for such a value.
function kvIsHex128(value, label) {
  return kv.matches(label, value, kvHex128);
}
