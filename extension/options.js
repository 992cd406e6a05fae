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

function revokeButton(origin, revoke) {
  const button = document.createElement("button");
  button.textContent = "Revoke";
  button.dataset.origin = origin;
  button.addEventListener("click", async () => {
    await revoke(origin);
    show();
  });
  return button;
}

async function revokeForSession(key) {
  const { session = {} } = await api.storage.session.get("session");
  delete session[key];
  await api.storage.session.set({ session });
}

async function show() {
  const body = document.getElementById("sites");
  body.textContent = "";
  const lasting = (await Grants.all()).sort((a, b) => (a[0] < b[0] ? -1 : 1));
  for (const [key, answer] of lasting)
    body.appendChild(row([key, answer === "allow" ? "always allowed" : "denied"],
                         revokeButton(key, Grants.remove)));
  if (api.storage.session) {
    const { session = {} } = await api.storage.session.get("session");
    for (const key of Object.keys(session).sort())
      body.appendChild(row([key, "allowed until the browser closes"],
                           revokeButton(key, revokeForSession)));
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
  const policy = readPolicy(managed);
  for (const origin of policy.allowed)
    rules.appendChild(row([origin, "allowed"]));
  for (const origin of policy.blocked)
    rules.appendChild(row([origin, "blocked"]));
  for (const [site, frames] of policy.frames)
    for (const frame of frames)
      rules.appendChild(row([grantKey(site, frame), "frame may ask"]));
  for (const origin of policy.pinArgument)
    rules.appendChild(row([origin, "may pass the PIN itself"]));
  if (!policy.localhost)
    rules.appendChild(row(["http://localhost, http://127.0.0.1", "not allowed"]));
  // Entries that name no origin are ignored; say so, rather than let them seem to work.
  const refused = document.getElementById("refused");
  refused.textContent = "";
  for (const entry of policy.refused) {
    const item = document.createElement("li");
    item.textContent = entry + " is not an origin (such as https://bank.example) and is ignored";
    refused.appendChild(item);
  }
}

show();
