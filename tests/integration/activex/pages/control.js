// What only the ActiveX face shows a page: the "onload" parameter, the ready state, script
// exceptions with their code, the built-in members and method objects. The container loads the
// control with the parameters onload=pluginLoaded and onclick=nothingHere.
kv.step("onload calls the page function with the scripting object, once, later", function (next) {
  setTimeout(function () {
    kv.equal("calls", kvLoaded.length, 1);
    if (kvLoaded.length === 1) {
      kv.check("with the element's scripting object", kvLoaded[0].object === plugin);
      var delay = kvLoaded[0].at - kvStarted;
      kv.check("about 250 ms after the control was loaded", delay >= 200, delay + " ms");
    }
    next();
  }, 1000);
});

kv.step("ready state", function () {
  kv.equal("read by its fixed identifier", plugin.readystate, 4);
  kv.equal("one property-change notification", kvHost.readyStateChanges(), 1);
});

kv.step("script exceptions", function () {
  var message = "no exception", number = 0;
  try {
    plugin.get_version(1);
  } catch (e) {
    message = String(e.message);
    number = e.number;
  }
  kv.equal("message", message, "Too many arguments, expected 0.");
  kv.equal("code", number, 0x80004001 | 0);
  kv.equal("getLastException", plugin.getLastException(), "Too many arguments, expected 0.");
  var failed = "no exception";
  try {
    plugin.attachEvent("onsomething");
  } catch (e) {
    failed = String(e.message);
  }
  kv.equal("attachEvent with one argument", failed, "Invalid Arguments");
  kv.equal("attachEvent with a handler", plugin.attachEvent("onsomething", function () {}),
           undefined);
  kv.equal("detachEvent", plugin.detachEvent("onsomething", function () {}), undefined);
});

kv.step("members", function () {
  kv.equal("a method read twice is one object", plugin.kvwSign === plugin.kvwSign, true);
  kv.equal("an unknown member reads as undefined", plugin.noSuchMember, undefined);
  plugin.pageNote = "kept";
  kv.equal("a member the page sets is kept", plugin.pageNote, "kept");
  plugin.version = "9";
  kv.equal("version cannot be changed", plugin.version, "1.5.0.0");
  var method = plugin.kvwGetDeviceID;
  kv.equal("a method object through call", method.call(plugin), "KV0002API");
  kv.equal("and through apply", method.apply(plugin, []), "KV0002API");
});

kv.run();
