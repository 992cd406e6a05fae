// A sandboxed document of an allowed site.
// Served with "Content-Security-Policy: sandbox allow-scripts": the document has an opaque
// origin, so it is not the site, even on a click.
kvOnClick("a click, then a call", function (next) {
  kvOutcome("kvwGetDeviceID", [], function (outcome) {
    kv.equal("refused", outcome, "KestrovaNotAllowed");
    next();
  });
});
