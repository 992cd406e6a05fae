// Runs beside the page, in the extension's own world: carries the page's calls to the
// extension's background and the answers back. The port opens with the page's first call.
(function () {
  "use strict";
  var api = globalThis.browser || globalThis.chrome;
  var REQUEST = "kestrova:request", ANSWER = "kestrova:answer";
  var port = null;

  function answer(message) {
    document.dispatchEvent(new CustomEvent(ANSWER, { detail: JSON.stringify(message) }));
  }

  function connect() {
    port = api.runtime.connect({ name: "kestrova-page" });
    port.onMessage.addListener(answer);
    port.onDisconnect.addListener(function () {
      port = null;
      answer({ kind: "hostGone", message: "The Kestrova extension was restarted" });
    });
  }

  document.addEventListener(REQUEST, function (event) {
    var message;
    try {
      message = JSON.parse(event.detail);
    } catch (e) {
      return;
    }
    if (!message || typeof message !== "object")
      return;
    if (!port)
      connect();
    // Only the call's own fields travel, and whether the user has just clicked or typed on
    // this page, which the page itself cannot make up.
    var activation = navigator.userActivation;
    port.postMessage({ kind: message.kind, seq: message.seq, instance: message.instance,
                       member: message.member, args: message.args,
                       gesture: !!(activation && activation.isActive) });
  });
})();
