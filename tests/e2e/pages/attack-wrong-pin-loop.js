// Wrong PINs in a loop.
// Three wrong PINs would lock the token. ?expect=refused: every one is refused; ?expect=limited
// (a site allowed to pass the PIN): after two wrong ones, directly or with callbacks, the user is
// asked in the PIN dialog (the scripted program answers the right PIN there).
var limited = /expect=limited/.test(location.search);
var refused = "KestrovaPinArgumentRefused";
var attempts = [[false, limited ? -4 : refused], [true, limited ? "-4" : refused],
                [false, limited ? true : refused]];
kv.directs("wrong PINs in a row", plugin, attempts.map(function (attempt, i) {
  var label = "attempt " + (i + 1) + (attempt[0] ? " with callbacks" : "");
  return function (go) {
    if (attempt[0]) {
      kv.callback(plugin, "kvwUserLoginDlg", ["0000"], function (r) {
        kv.equal(label, r.value instanceof Error ? r.value.name : r.value, attempt[1]);
        go();
      });
    } else {
      kvOutcome("kvwUserLoginDlg", ["0000"], function (value) {
        kv.equal(label, value, attempt[1]);
        go();
      });
    }
  };
}).concat([
  ["the token is not locked", "kvwUserLoginDlg", [], true]
]));
