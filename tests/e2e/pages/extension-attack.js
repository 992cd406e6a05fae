// Helpers of the extension's attack pages: each page tries one way past the extension and checks
// that it fails safely. The driver (tests/e2e/extension/run_suite.py) clicks #start where a page
// needs a user's gesture, answers or leaves the prompt, and reads what only it can see.
var plugin = window.kestrovaPlugin;

// The outcome of a direct call: its value, or the name of its failure.
function kvOutcome(method, args, on) {
  kv.direct(plugin, method, args, function (value) {
    on(value instanceof Error ? value.name : value);
  });
}

// Runs body(next) on the driver's click of #start, a real user gesture.
function kvOnClick(name, body) {
  kv.step(name, function (next) {
    document.getElementById("start").addEventListener("click", function () {
      window.kvAsked = true;
      body(next);
    });
    window.kvReady = true;
  });
}

// Frames of the page (the URLs in the query's frames=, comma-separated, else attack-frame.html
// of this site), each reporting the outcome of its own call; all must be refused, or with
// expected given, give that.
function kvFramesTry(sandbox, expected) {
  kv.step(expected ? "the frame is served" : "every frame is refused, none is asked for",
          function (next) {
    var match = /[?&]frames=([^&]*)/.exec(location.search);
    var urls = match ? decodeURIComponent(match[1]).split(",") : ["attack-frame.html"];
    var answers = 0;
    window.addEventListener("message", function (event) {
      if (!event.data || event.data.kvFrame !== true)
        return;
      kv.equal("frame " + event.data.origin, event.data.outcome,
               expected || "KestrovaNotAllowed");
      if (++answers === urls.length)
        next();
    });
    urls.forEach(function (url) {
      var frame = document.createElement("iframe");
      if (sandbox)
        frame.setAttribute("sandbox", "allow-scripts");
      if (!expected) {
        frame.width = frame.height = 1;
        frame.style.opacity = "0";
      }
      frame.src = url;
      document.body.appendChild(frame);
    });
  });
}
