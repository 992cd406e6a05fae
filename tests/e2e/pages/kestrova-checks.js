// Shared by the plug-in pages: named checks listed on the page, one verdict at the end.
var kvFailures = [];

function kvCheck(name, test) {
  var ok = false, detail = "";
  try {
    ok = test();
  } catch (e) {
    detail = " (" + e + ")";
  }
  var item = document.createElement("li");
  item.textContent = (ok ? "ok: " : "FAILED: ") + name + detail;
  document.getElementById("results").appendChild(item);
  if (!ok) {
    kvFailures.push(name + detail);
    console.log("FAILED: " + name + detail);
  }
}

// The message of the script exception that f raises, or "no exception".
function kvThrown(f) {
  try {
    f();
  } catch (e) {
    return String(e.message !== undefined ? e.message : e);
  }
  return "no exception";
}

function kvFinish() {
  kvTest.done(kvFailures.length === 0, kvFailures.length === 0 ? "all checks passed"
                                                               : kvFailures.join("; "));
}
