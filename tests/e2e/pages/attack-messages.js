// Unknown, oversized and too many messages.
// Messages the page library would never send, written straight to the content script, and far
// more calls than may wait for the user's answer.
function raw(message, on) {
  document.addEventListener("kestrova:answer", function listen(event) {
    var answer = JSON.parse(event.detail);
    if (answer.seq !== message.seq)
      return;
    document.removeEventListener("kestrova:answer", listen);
    on(answer.kind === "error" ? answer.name : answer.value);
  });
  document.dispatchEvent(new CustomEvent("kestrova:request", { detail: JSON.stringify(message) }));
}
var big = new Array((1 << 20) + 2).join("A");
kv.directs("refused before anything else", plugin, [
  function (go) {
    raw({ kind: "call", seq: 90001, instance: "p1", member: "kvwReadPin", args: [] },
        function (outcome) { kv.equal("unknown member", outcome, "KestrovaBadCall"); go(); });
  },
  function (go) {
    raw({ kind: "call", seq: 90002, instance: "p1", member: "kvwGetDeviceID",
          args: [1, 2, 3, 4, 5, 6, 7, 8] },
        function (outcome) { kv.equal("too many arguments", outcome, "KestrovaBadCall"); go(); });
  },
  function (go) {
    raw({ kind: "call", seq: 90003, instance: "p1", member: "kvwGetPublicKey",
          args: [{ $map: { a: 1 } }] },
        function (outcome) { kv.equal("an object argument", outcome, "KestrovaBadCall"); go(); });
  },
  function (go) {
    kvOutcome("kvwGetPublicKey", [big], function (outcome) {
      kv.equal("a text over 1 MiB", outcome, "KestrovaBadCall");
      go();
    });
  }
]);
// While the prompt waits (the driver leaves it open until the page says so), 40 calls: those
// past the bound fail at once; the rest hear the answer.
kvOnClick("forty calls while the user is asked", function (next) {
  var busy = 0, refused = 0, answered = 0;
  for (var i = 0; i < 40; i++) {
    kvOutcome("kvwGetDeviceID", [], function (outcome) {
      if (outcome === "KestrovaBusy" && ++busy === 8)
        window.kvBusySeen = true;
      if (outcome === "KestrovaNotAllowed")
        refused++;
      if (++answered === 40) {
        kv.equal("refused at once past the bound", busy, 8);
        kv.equal("the rest hear the answer", refused, 32);
        next();
      }
    });
  }
});
