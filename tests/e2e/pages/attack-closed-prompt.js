// A prompt closed without an answer.
// It is a "Deny" for this tab until the page loads again: the next click asks nothing.
var clicks = 0;
kv.step("a closed prompt refuses, and the next call is not asked about", function (next) {
  document.getElementById("start").addEventListener("click", function () {
    var click = ++clicks;
    kvOutcome("kvwGetDeviceID", [], function (outcome) {
      kv.equal("call after click " + click, outcome, "KestrovaNotAllowed");
      window.kvAnswered = click;
      if (click === 2)
        next();
    });
  });
  window.kvReady = true;
});
