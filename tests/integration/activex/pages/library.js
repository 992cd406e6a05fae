// The page library's walk through every method (tests/e2e/pages/library-suite.js) on the
// control in the container: Wine's JScript has no Promise, so the library's own runs, on the
// container's timers.
kvLibrarySuite(Kestrova, {
  step: kv.step,
  check: kv.check,
  equal: kv.equal,
  load: function () {
    return Kestrova.load({ element: plugin, face: "activex" });
  }
});

kv.run();
