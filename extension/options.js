"use strict";
const api = globalThis.browser || globalThis.chrome;

function row(cells, button) {
  const tr = document.createElement("tr");
  for (const text of cells) {
    const td = document.createElement("td");
    td.textContent = text;
    tr.appendChild(td);
  }
  if (button) {
    const td = document.createElement("td");
    td.appendChild(button);
    tr.appendChild(td);
  }
  return tr;
}

function revokeButton(origin, area, key) {
  const button = document.createElement("button");
  button.textContent = "Revoke";
  button.dataset.origin = origin;
  button.addEventListener("click", async () => {
    const stored = await area.get(key);
    delete stored[key][origin];
    await area.set({ [key]: stored[key] });
    show();
  });
  return button;
}

async function show() {
  const body = document.getElementById("sites");
  body.textContent = "";
  const { sites = {} } = await api.storage.local.get("sites");
  for (const origin of Object.keys(sites).sort()) {
    const answer = sites[origin] === "allow" ? "always allowed" : "denied";
    body.appendChild(row([origin, answer], revokeButton(origin, api.storage.local, "sites")));
  }
  if (api.storage.session) {
    const { session = {} } = await api.storage.session.get("session");
    for (const origin of Object.keys(session).sort())
      body.appendChild(row([origin, "allowed until the browser closes"],
                           revokeButton(origin, api.storage.session, "session")));
  }
  document.getElementById("none").hidden = body.children.length > 0;

  const rules = document.getElementById("policy");
  rules.textContent = "";
  let managed = {};
  try {
    managed = await api.storage.managed.get(null);
  } catch (e) {
    // No policy.
  }
  for (const origin of managed.allowedOrigins || [])
    rules.appendChild(row([origin, "allowed"]));
  for (const origin of managed.blockedOrigins || [])
    rules.appendChild(row([origin, "blocked"]));
}

show();
