// The pin as an argument.
// ?expect=refused: the extension refuses it, before the host or the PIN-entry program sees it;
// ?expect=accepted: the site is one the administrator lets pass it.
var accepted = /expect=accepted/.test(location.search);
kv.directs("the PIN as the argument", plugin, [
  function (go) {
    kvOutcome("kvwUserLoginDlg", ["1234"], function (outcome) {
      kv.equal("kvwUserLoginDlg", outcome, accepted ? true : "KestrovaPinArgumentRefused");
      go();
    });
  },
  function (go) {
    kvOutcome("kvwGenKeyPair", ["never", "1234"], function (outcome) {
      kv.check("kvwGenKeyPair", accepted ? typeof outcome === "string" && outcome.length === 128
                                         : outcome === "KestrovaPinArgumentRefused", outcome);
      go();
    });
  }
]);
kv.step("the page library names the failure", function (next) {
  Kestrova.load().then(function (client) {
    return client.login("1234");
  }).then(function () {
    kv.check("library login", accepted);
    next();
  }, function (error) {
    kv.equal("library login", error.name, accepted ? "answered" : "PIN_ARGUMENT_REFUSED");
    next();
  });
});
