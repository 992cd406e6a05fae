// Removing the control while callback calls run (the scripted Gui.bin takes 1.5 s over every
// PIN): the container survives, no callback arrives afterwards, a new control finds the token
// free, and once the last control has gone DllCanUnloadNow ends the PKCS#11 module.
var late = [];
function tooLate(name) {
  return function (value) { late.push(name + " " + value); };
}

kv.step("remove while calls run", function (next) {
  kv.equal("login with callbacks returns",
           plugin.kvwUserLoginDlg("1234", tooLate("login"), tooLate("login error")), 0);
  kv.equal("a second call waiting for the token returns",
           plugin.kvwGenKeyPair("late", "1234", tooLate("create"), tooLate("create error")), 0);
  setTimeout(function () {
    kvHost.removeControl();
    next();
  }, 300);
});

kv.step("no callback after the removal", function (next) {
  setTimeout(function () {
    kv.equal("late callbacks", late.join("; "), "");
    var failed = false;
    try {
      plugin.kvwGetDeviceID();
    } catch (e) {
      failed = true;
    }
    kv.check("the removed control refuses calls", failed);
    next();
  }, 4000);
});

kv.step("a new control works", function () {
  var second = kvHost.createControl();
  kv.equal("kvwGetDeviceID", second.kvwGetDeviceID(), "KV0002API");
  var count = second.kvwGetNumberOfContainers();
  kv.check("the token is free for listing", count === 0 || count === 1, String(count));
  kv.equal("and for a login", second.kvwUserLoginDlg("1234"), true);
  kv.equal("the PKCS#11 module is loaded", kvHost.moduleLoaded("kvpkcs11.dll"), true);
});

kv.step("the last control goes", function () {
  kvHost.removeControl();
  // The page still holds the closed controls, so the module stays, but with no plug-in object
  // left the PKCS#11 module is finalised and unloaded.
  kv.equal("DllCanUnloadNow", kvHost.canUnloadNow(), 1);
  kv.equal("the PKCS#11 module is gone", kvHost.moduleLoaded("kvpkcs11.dll"), false);
});

kv.run();
