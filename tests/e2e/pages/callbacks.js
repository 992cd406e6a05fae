// How callback calls behave as a page sees them: after the call returned, one callback each,
// results of the types the bridge delivers, several calls at once, and the calls that run
// directly or never call back.
// Runs in the browser page callbacks.html and in the ActiveX test container; `plugin` is the
// element's scripting object.
var hash = "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF";

kv.step("a flag set after the call is seen by the callback", function (next) {
  var returned = false;
  var result = plugin.kvwGetDeviceID(function (serial) {
    kv.check("flag set", returned);
    kv.equal("serial", serial, "KV0002API");
    next();
  });
  returned = true;
  kv.equal("returns 0", result, 0);
});

kv.step("result types", function (next) {
  var want = 3;
  function done() {
    if (--want === 0)
      next();
  }
  plugin.kvwIsUserLoggedIn(function (value) {
    kv.equal("a negative result is a number for the success callback", value, -2);
    done();
  });
  plugin.kvwGetNumberOfContainers(function (value) {
    kv.equal("a count is a number", value, 0);
    done();
  });
  plugin.kvwGetPublicKey("nobody", function (value) {
    kv.check("no success for a missing key", false, value);
  }, function (code) {
    kv.equal("a code is text for the error callback", code, "-20");
    done();
  });
});

kv.step("error callback alone: the call runs directly", function (next) {
  var called = false;
  kv.direct(plugin, "kvwGetPublicKey", ["nobody", null, function () { called = true; }],
            function (result) { kv.equal("returns the code", result, -20); });
  setTimeout(function () {
    kv.check("and never calls back", !called);
    next();
  }, 500);
});

kv.step("success callback alone and a failure: nothing is called", function (next) {
  var called = false;
  kv.equal("returns 0", plugin.kvwGetPublicKey("nobody", function () { called = true; }), 0);
  setTimeout(function () {
    kv.check("no callback", !called);
    next();
  }, 500);
});

kv.step("many calls at once", function (next) {
  var names = ["c0", "c1", "c2", "c3"];
  var answers = {};
  var pending = 0;
  function answered(key, value) {
    answers[key] = value;
    if (--pending === 0)
      finish();
  }
  names.forEach(function (name) {
    pending++;
    kv.equal(name + ": returns 0", plugin.kvwGenKeyPair(name, kvPin, function (key) {
      answered(name, key);
    }, function (code) { answered(name, "error " + code); }), 0);
  });
  [0, 1, 2, 3].forEach(function (i) {
    pending++;
    plugin.kvwRepair("PLOKIJUHYGTFRDES0123456789PLOKIJPLOKIJUHYGTFRDES0123456789PLOKIJ", hash,
                     function (signature) { answered("repair" + i, signature); });
  });
  pending++;
  plugin.kvwGetNumberOfContainers(function (count) { answered("count", count); });
  function finish() {
    names.forEach(function (name) {
      kv.matches(name + ": created", answers[name], kvHex128);
    });
    var repairs = 0;
    for (var key in answers)
      if (key.indexOf("repair") === 0 && kvHex128.test(answers[key]))
        repairs++;
    kv.equal("every kvwRepair answered", repairs, 4);
    kv.check("a listing between the creations sees 0 to 4", answers.count >= 0 &&
             answers.count <= 4, answers.count);
    created = answers;
    next();
  }
});

var created = {};
kv.step("the containers made at once are all there", function (next) {
  var names = ["c0", "c1", "c2", "c3"];
  var left = names.length + 1;
  function done() {
    if (--left === 0)
      next();
  }
  names.forEach(function (name) {
    kv.direct(plugin, "kvwGetPublicKey", [name], function (key) {
      kv.equal(name + ": key readable", key, created[name]);
      done();
    });
  });
  kv.direct(plugin, "kvwGetNumberOfContainers", [], function (count) {
    kv.equal("all four containers exist", count, 4);
    done();
  });
});

kv.step("a method object called through call()", function (next) {
  var method = plugin.kvwGetDeviceID;
  var returned = false;
  kv.equal("returns 0", method.call(plugin, function (serial) {
    kv.check("after the return", returned);
    kv.equal("serial", serial, "KV0002API");
    next();
  }), 0);
  returned = true;
});

kv.run();
