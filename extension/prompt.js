"use strict";
const api = globalThis.browser || globalThis.chrome;
const query = new URLSearchParams(location.search);
const site = query.get("site") || "";
const frame = query.get("frame") || "";
// Frames are asked for as the frame's origin inside the top-level site.
document.getElementById("site").textContent = frame || site;
if (frame) {
  document.getElementById("frame").textContent = site;
  document.getElementById("inside").hidden = false;
  document.getElementById("who").textContent = "this frame, inside this site only,";
}
if (query.get("pin") === "argument") {
  document.getElementById("pin-dialog").hidden = true;
  document.getElementById("pin-argument").hidden = false;
}

// The buttons wake up a moment after the prompt is shown, so that a click meant for the page
// underneath cannot answer it.
const BUTTON_DELAY_MS = 1000;
const buttons = ["allow", "always", "deny"].map((id) => document.getElementById(id));
setTimeout(() => {
  buttons.forEach((button) => { button.disabled = false; });
  document.body.dataset.wokeAfter = String(Math.round(performance.now()));
}, BUTTON_DELAY_MS);
for (const button of buttons) {
  button.addEventListener("click", () => {
    api.runtime.sendMessage({ kind: "answer", site, frame, answer: button.id })
      .finally(() => window.close());
  });
}
