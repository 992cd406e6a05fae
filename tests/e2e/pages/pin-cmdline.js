// Logs in again and again with the PIN as the page's argument while pin-exchange-check reads
// every process's command line. The PIN is the token's, written only here and in files, so that
// no command line of the test's own carries it.
var pin = "5C7Q-93KX";

kv.step("logins with the page's PIN", function (next) {
  var left = 15;
  (function again() {
    if (left-- === 0) {
      next();
      return;
    }
    kv.callback(plugin, "kvwUserLoginDlg", [pin], function (r) {
      kv.equal("logged in", r.value, true);
      again();
    });
  })();
});

kv.run();
