"use strict";
const api = globalThis.browser || globalThis.chrome;
const origin = new URLSearchParams(location.search).get("origin") || "";
document.getElementById("origin").textContent = origin;
for (const answer of ["allow", "always", "deny"]) {
  document.getElementById(answer).addEventListener("click", () => {
    api.runtime.sendMessage({ kind: "answer", origin, answer }).finally(() => window.close());
  });
}
