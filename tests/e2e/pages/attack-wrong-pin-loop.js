// Wrong pins in a loop.
// Three wrong PINs would lock the token. ?expect=refused: every one is refused; ?expect=limited
// (a site allowed to pass the PIN): after two wrong ones the user is asked in the PIN dialog
// (the scripted program answers the right PIN there).
var limited = /expect=limited/.test(location.search);
var expected = limited ? [-4, -4, true] : ["KestrovaPinArgumentRefused",
                                          "KestrovaPinArgumentRefused",
                                          "KestrovaPinArgumentRefused"];
kv.directs("wrong PINs in a row", plugin, expected.map(function (outcome, i) {
  return function (go) {
    kvOutcome("kvwUserLoginDlg", ["0000"], function (value) {
      kv.equal("attempt " + (i + 1), value, outcome);
      go();
    });
  };
}).concat([
  ["the token is not locked", "kvwUserLoginDlg", [], true]
]));
