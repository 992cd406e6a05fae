// The extension's background: decides which sites may use the token, and carries their calls to
// the Kestrova host program (native messaging, one host for the whole browser) and the answers
// and callbacks back to the page that made them.
"use strict";
const api = globalThis.browser || globalThis.chrome;
const HOST = "org.kestrova.host";

// Pages by port key: { port, origin, instances: Set, queue: Promise }.
const pages = new Map();
// Calls under way in the host by their id: { key, seq }.
const calls = new Map();
let nextPage = 1;
let nextCall = 1;
let native = null;

function originOf(sender) {
  if (sender.origin && sender.origin !== "null")
    return sender.origin;
  try {
    return new URL(sender.url).origin;
  } catch (e) {
    return "null";
  }
}

// ---- Which sites may use the token ----------------------------------------------------------

// What an administrator set as policy (managed storage); nothing where there is none.
async function policy() {
  try {
    const managed = await api.storage.managed.get(null);
    return {
      allowed: Array.isArray(managed.allowedOrigins) ? managed.allowedOrigins : [],
      blocked: Array.isArray(managed.blockedOrigins) ? managed.blockedOrigins : []
    };
  } catch (e) {
    return { allowed: [], blocked: [] };
  }
}

// Answers for this browser session only ("allow" without "always").
const sessionArea = api.storage.session || null;
const sessionAllowed = new Set();
async function allowedThisSession(origin) {
  if (!sessionArea)
    return sessionAllowed.has(origin);
  const { session = {} } = await sessionArea.get("session");
  return session[origin] === "allow";
}

async function allowForSession(origin) {
  if (!sessionArea) {
    sessionAllowed.add(origin);
    return;
  }
  const { session = {} } = await sessionArea.get("session");
  session[origin] = "allow";
  await sessionArea.set({ session });
}

async function remember(origin, answer) {
  const { sites = {} } = await api.storage.local.get("sites");
  sites[origin] = answer;
  await api.storage.local.set({ sites });
}

// One prompt per site at a time; every call that waits for it gets its answer.
const prompts = new Map(); // origin: { promise, resolve, windowId }

function ask(origin) {
  const open = prompts.get(origin);
  if (open)
    return open.promise;
  const entry = {};
  entry.promise = new Promise((resolve) => { entry.resolve = resolve; });
  prompts.set(origin, entry);
  const url = api.runtime.getURL("prompt.html") + "?origin=" + encodeURIComponent(origin);
  api.windows.create({ url, type: "popup", width: 480, height: 280 }).then(
    (window) => { entry.windowId = window.id; },
    () => settle(origin, false));
  return entry.promise;
}

function settle(origin, allowed) {
  const entry = prompts.get(origin);
  if (!entry)
    return;
  prompts.delete(origin);
  entry.resolve(allowed);
}

api.runtime.onMessage.addListener((message, sender) => {
  if (!message || message.kind !== "answer" || !prompts.has(message.origin))
    return;
  // Only our own prompt page answers.
  if (!sender.url || !sender.url.startsWith(api.runtime.getURL("prompt.html")))
    return;
  const answer = message.answer;
  const stored = answer === "always" ? remember(message.origin, "allow")
               : answer === "deny" ? remember(message.origin, "deny")
               : allowForSession(message.origin);
  return stored.then(() => settle(message.origin, answer !== "deny"));
});

// A prompt closed without an answer refuses this once and asks again next time.
api.windows.onRemoved.addListener((windowId) => {
  for (const [origin, entry] of prompts)
    if (entry.windowId === windowId)
      settle(origin, false);
});

async function mayUseToken(origin) {
  if (!/^https?:\/\//.test(origin))
    return false;
  const rules = await policy();
  if (rules.blocked.includes(origin))
    return false;
  if (rules.allowed.includes(origin))
    return true;
  const { sites = {} } = await api.storage.local.get("sites");
  if (sites[origin] === "allow")
    return true;
  if (sites[origin] === "deny")
    return false;
  if (await allowedThisSession(origin))
    return true;
  return ask(origin);
}

// ---- The host -------------------------------------------------------------------------------

function host() {
  if (native)
    return native;
  native = api.runtime.connectNative(HOST);
  native.onMessage.addListener(fromHost);
  native.onDisconnect.addListener((port) => {
    const error = (port && port.error) || api.runtime.lastError;
    native = null;
    calls.clear();
    const message = "The Kestrova host program ended" + (error && error.message
                                                          ? ": " + error.message : "");
    for (const page of pages.values()) {
      if (page.instances.size === 0)
        continue;
      page.instances.clear();
      page.port.postMessage({ kind: "hostGone", message });
    }
  });
  return native;
}

function fromHost(message) {
  if (message.type === "result" || message.type === "error") {
    const call = calls.get(message.id);
    if (!call) {
      if (message.type === "error")
        console.warn("Kestrova host: " + message.message);
      return;
    }
    calls.delete(message.id);
    const page = pages.get(call.key);
    if (page)
      page.port.postMessage({ kind: message.type, seq: call.seq, value: message.value,
                              name: "Error", message: message.message });
  } else if (message.type === "callback" || message.type === "release") {
    const slash = message.instance.indexOf("/");
    const page = pages.get(message.instance.slice(0, slash));
    if (page)
      page.port.postMessage({ kind: message.type, instance: message.instance.slice(slash + 1),
                              function: message.function, args: message.args });
  }
}

// ---- Pages ----------------------------------------------------------------------------------

async function callFromPage(page, message) {
  if (!(await mayUseToken(page.origin))) {
    page.port.postMessage({ kind: "error", seq: message.seq, name: "KestrovaNotAllowed",
                            message: page.origin + " is not allowed to use the Kestrova token" });
    return;
  }
  if (!pages.has(page.key))
    return; // the page went while the user was asked
  const id = nextCall++;
  calls.set(id, { key: page.key, seq: message.seq });
  page.instances.add(message.instance);
  try {
    host().postMessage({ type: "call", id, instance: page.key + "/" + message.instance,
                         origin: page.origin, member: message.member, args: message.args });
  } catch (e) {
    calls.delete(id);
    page.port.postMessage({ kind: "error", seq: message.seq, name: "KestrovaHostError",
                            message: "The Kestrova host program cannot be reached: " + e.message });
  }
}

api.runtime.onConnect.addListener((port) => {
  if (port.name !== "kestrova-page")
    return;
  const page = { key: "t" + nextPage++, port, origin: originOf(port.sender),
                 instances: new Set(), queue: Promise.resolve() };
  pages.set(page.key, page);
  port.onMessage.addListener((message) => {
    if (!message || message.kind !== "call")
      return;
    // In order: a call that waits for the user's answer holds back the ones after it.
    page.queue = page.queue.then(() => callFromPage(page, message)).catch((e) => {
      console.error("Kestrova: " + e);
    });
  });
  // The page is gone (closed, reloaded, navigated): its elements go too, and with them the
  // callbacks of its calls still running.
  port.onDisconnect.addListener(() => {
    pages.delete(page.key);
    if (!native)
      return;
    for (const instance of page.instances)
      native.postMessage({ type: "destroy", instance: page.key + "/" + instance });
  });
});
