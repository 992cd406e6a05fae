// The extension's background: decides which sites may use the token, and carries their calls to
// the Kestrova host program (native messaging, one host for the whole browser) and the answers
// and callbacks back to the page that made them.
"use strict";
const api = globalThis.browser || globalThis.chrome;
const HOST = "org.kestrova.host";

// Pages by port key: { port, origin, site, frame, tabId, instances: Set, queue: Promise,
// pending }.
const pages = new Map();
// Calls under way in the host by their id: { key, seq, pinSite }.
const calls = new Map();
let nextPage = 1;
let nextCall = 1;
let native = null;

if (typeof Grants === "undefined" && typeof importScripts === "function")
  importScripts("shared.js");

// Bounds on what one page may send: a text argument (a certificate or data as hexadecimal
// text), calls waiting or under way, wrong PINs in a row given as the argument.
const MAX_TEXT = 1 << 20;
const MAX_PENDING = 32;
const MAX_WRONG_PINS = 2;
const PIN_INCORRECT = -4;

// The scripting members, with what each takes before its two callbacks.
const MEMBERS = {
  get_version: [],
  kvwIsTokenPresentAndOK: [],
  kvwIsUserLoggedIn: [],
  kvwUserLoginDlg: ["pin"],
  kvwLogout: [],
  kvwSign: ["text", "text", "pin"],
  kvwHashSign: ["text", "text", "pin"],
  kvwGenKeyPair: ["text", "pin"],
  kvwDestroyContainer: ["text", "pin"],
  kvwGetNumberOfContainers: [],
  kvwGetContainerName: ["number"],
  kvwGetPublicKey: ["text"],
  kvwRepair: ["text", "text"],
  kvwMakeSessionKey: ["text", "text", "text", "pin"],
  kvwGetDeviceID: [],
  kvwImportCertificate: ["text", "text"]
};

function isAbsent(value) {
  return value === null || value === undefined ||
         (typeof value === "object" && value.$undefined === true);
}

function isScalar(value) {
  return isAbsent(value) || typeof value === "number" || typeof value === "boolean" ||
         (typeof value === "string" && value.length <= MAX_TEXT);
}

function isFunction(value) {
  return value !== null && typeof value === "object" && Number.isInteger(value.$fn) &&
         Object.keys(value).length === 1;
}

// What is wrong with a page's call message, or null: the member must be one of the table's,
// with no more arguments than it takes and its callbacks, each a value of the plug-in's kinds.
function badCall(message) {
  if (!Number.isInteger(message.seq) || typeof message.instance !== "string" ||
      !/^p[0-9]{1,9}$/.test(message.instance))
    return "malformed call";
  if (typeof message.member !== "string" || !Object.hasOwn(MEMBERS, message.member))
    return "no member " + JSON.stringify(String(message.member).slice(0, 64));
  const kinds = MEMBERS[message.member];
  const args = message.args === undefined ? [] : message.args;
  if (!Array.isArray(args) || args.length > kinds.length + 2)
    return message.member + " takes at most " + (kinds.length + 2) + " arguments";
  for (let i = 0; i < args.length; i++) {
    const ok = i < kinds.length ? isScalar(args[i]) : isAbsent(args[i]) || isFunction(args[i]);
    if (!ok)
      return message.member + ": argument " + (i + 1) + " is not of its kind or too long";
  }
  return null;
}

function pinGiven(member, args) {
  const at = MEMBERS[member].indexOf("pin");
  return at >= 0 && at < args.length && !isAbsent(args[at]) && String(args[at]) !== "" ? at : -1;
}

// The sender's origin as the browser states it; a document without one (sandboxed, opaque) has
// none, and none is never taken from its address.
function originOf(sender) {
  return typeof sender.origin === "string" ? sender.origin : "null";
}

// ---- Which sites may use the token ----------------------------------------------------------

async function policy() {
  try {
    return readPolicy(await api.storage.managed.get(null));
  } catch (e) {
    return readPolicy({});
  }
}

const LOCAL_HOSTS = new Set(["localhost", "127.0.0.1", "[::1]"]);

// https origins; http ones only on this computer, for development, unless the policy says no.
function grantable(origin, rules) {
  const normal = normalOrigin(origin);
  if (!normal || normal !== origin)
    return false;
  const url = new URL(origin);
  return url.protocol === "https:" || (rules.localhost && LOCAL_HOSTS.has(url.hostname));
}

// Answers for this browser session only ("allow" without "always"), out of content scripts'
// reach.
const sessionArea = api.storage.session || null;
if (sessionArea && sessionArea.setAccessLevel)
  sessionArea.setAccessLevel({ accessLevel: "TRUSTED_CONTEXTS" }).catch(() => {});
const sessionAllowed = new Set();
// Grants of earlier versions sat in storage.local, which content scripts can write: dropped.
api.storage.local.remove("sites").catch(() => {});

async function allowedThisSession(key) {
  if (!sessionArea)
    return sessionAllowed.has(key);
  const { session = {} } = await sessionArea.get("session");
  return session[key] === "allow";
}

async function allowForSession(key) {
  if (!sessionArea) {
    sessionAllowed.add(key);
    return;
  }
  const { session = {} } = await sessionArea.get("session");
  session[key] = "allow";
  await sessionArea.set({ session });
}

// At most one prompt per tab; a prompt closed without an answer refuses its key in that tab
// until the tab loads a new document.
const prompts = new Map(); // tabId: { key, promise, resolve, windowId }
const refusedInTab = new Map(); // tabId: Set of keys

function ask(page, key, rules) {
  const open = prompts.get(page.tabId);
  if (open)
    return open.key === key ? open.promise : Promise.resolve(false);
  const entry = { key };
  entry.promise = new Promise((resolve) => { entry.resolve = resolve; });
  prompts.set(page.tabId, entry);
  const query = new URLSearchParams({ site: page.site });
  if (page.frame)
    query.set("frame", page.origin);
  if (rules.pinArgument.has(page.origin))
    query.set("pin", "argument");
  const url = api.runtime.getURL("prompt.html") + "?" + query;
  api.windows.create({ url, type: "popup", width: 520, height: 340 }).then(
    (window) => {
      entry.windowId = window.id;
      if (prompts.get(page.tabId) !== entry)
        api.windows.remove(window.id).catch(() => {});
    },
    () => settle(page.tabId, false, false));
  return entry.promise;
}

function settle(tabId, allowed, closed) {
  const entry = prompts.get(tabId);
  if (!entry)
    return;
  prompts.delete(tabId);
  if (closed) {
    if (!refusedInTab.has(tabId))
      refusedInTab.set(tabId, new Set());
    refusedInTab.get(tabId).add(entry.key);
  } else if (entry.windowId !== undefined) {
    api.windows.remove(entry.windowId).catch(() => {});
  }
  entry.resolve(allowed);
}

api.runtime.onMessage.addListener((message, sender) => {
  if (!message || message.kind !== "answer" || typeof message.site !== "string")
    return;
  // Only our own prompt page answers.
  if (!sender.url || !sender.url.startsWith(api.runtime.getURL("prompt.html")))
    return;
  const key = grantKey(message.site, message.frame || "");
  for (const [tabId, entry] of prompts) {
    if (entry.key !== key)
      continue;
    const answer = message.answer;
    const stored = answer === "always" ? Grants.set(key, "allow")
                 : answer === "deny" ? Grants.set(key, "deny")
                 : allowForSession(key);
    return stored.then(() => settle(tabId, answer !== "deny", false));
  }
});

api.windows.onRemoved.addListener((windowId) => {
  for (const [tabId, entry] of prompts)
    if (entry.windowId === windowId)
      settle(tabId, false, true);
});

api.tabs.onUpdated.addListener((tabId, change) => {
  if (change.status === "loading")
    refusedInTab.delete(tabId);
});
api.tabs.onRemoved.addListener((tabId) => {
  refusedInTab.delete(tabId);
  settle(tabId, false, false);
});

// Whether the page may use the token, asking the user where nothing decides it yet. A refusal
// is a text saying why.
async function mayUseToken(page, gesture, rules) {
  if (!grantable(page.origin, rules) || !grantable(page.site, rules))
    return "only https sites (and this computer's, for development) may use the token";
  if (page.frame && !(rules.frames.get(page.site) || new Set()).has(page.origin))
    return "a frame may use the token only where the administrator allows it";
  if (rules.blocked.has(page.origin) || rules.blocked.has(page.site))
    return "the administrator does not allow this site";
  if (!page.frame && rules.allowed.has(page.origin))
    return null;
  const key = grantKey(page.site, page.frame ? page.origin : "");
  const lasting = await Grants.get(key);
  if (lasting === "allow")
    return null;
  if (lasting === "deny")
    return "the user does not allow this site";
  if (await allowedThisSession(key))
    return null;
  if ((refusedInTab.get(page.tabId) || new Set()).has(key))
    return "the user closed the question; reload the page to be asked again";
  if (!gesture)
    return "the user is asked only after a click or key press on the page";
  return (await ask(page, key, rules)) ? null : "the user does not allow this site";
}

// Wrong PINs in a row that sites gave as the argument, by grant key; past the bound the site's
// PIN argument is dropped, so the user is asked in the PIN dialog.
const wrongPins = new Map();

function countPinOutcome(site, value) {
  if (value === PIN_INCORRECT || value === String(PIN_INCORRECT))
    wrongPins.set(site, (wrongPins.get(site) || 0) + 1);
  else
    wrongPins.delete(site);
}

// Functions of callback calls that were given the PIN: function key: { site, error }.
const pinCallbacks = new Map();

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
    pinCallbacks.clear();
    const message = "The Kestrova host program ended" + (error && error.message
                                                          ? ": " + error.message : "");
    for (const page of pages.values()) {
      if (page.instances.size === 0)
        continue;
      page.instances.clear();
      page.pending = 0;
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
    if (call.pinSite && message.type === "result" && call.direct)
      countPinOutcome(call.pinSite, message.value);
    if (page) {
      page.pending--;
      // A call the host would not start for want of threads is named as one refused here.
      const name = message.kind === "busy" ? "KestrovaBusy" : "Error";
      page.port.postMessage({ kind: message.type, seq: call.seq, value: message.value, name,
                              message: message.message });
    }
  } else if (message.type === "callback" || message.type === "release") {
    const slash = message.instance.indexOf("/");
    const watched = pinCallbacks.get(message.instance + "#" + message.function);
    if (watched && message.type === "callback")
      countPinOutcome(watched.site, watched.error ? (message.args || [])[0] : 0);
    if (message.type === "release")
      pinCallbacks.delete(message.instance + "#" + message.function);
    const page = pages.get(message.instance.slice(0, slash));
    if (page)
      page.port.postMessage({ kind: message.type, instance: message.instance.slice(slash + 1),
                              function: message.function, args: message.args });
  }
}

// ---- Pages ----------------------------------------------------------------------------------

function refuse(page, seq, name, text) {
  page.port.postMessage({ kind: "error", seq, name, message: text });
}

async function callFromPage(page, message, gesture) {
  const rules = await policy();
  const refusal = await mayUseToken(page, gesture, rules);
  if (refusal) {
    page.pending--;
    refuse(page, message.seq, "KestrovaNotAllowed",
           page.origin + " is not allowed to use the Kestrova token: " + refusal);
    return;
  }
  if (!pages.has(page.key))
    return; // the page went while the user was asked
  const args = message.args === undefined ? [] : message.args.slice();
  const key = grantKey(page.site, page.frame ? page.origin : "");
  const pinAt = pinGiven(message.member, args);
  if (pinAt >= 0 && !(rules.pinArgument.has(page.origin) && !page.frame)) {
    page.pending--;
    refuse(page, message.seq, "KestrovaPinArgumentRefused",
           "The Kestrova extension does not let " + page.origin + " pass the PIN itself");
    return;
  }
  if (pinAt >= 0 && (wrongPins.get(key) || 0) >= MAX_WRONG_PINS)
    args[pinAt] = null; // the user types it in the PIN dialog
  const id = nextCall++;
  const count = MEMBERS[message.member].length;
  const direct = args.length <= count || isAbsent(args[count]);
  calls.set(id, { key: page.key, seq: message.seq, pinSite: pinAt >= 0 ? key : null, direct });
  page.instances.add(message.instance);
  const instance = page.key + "/" + message.instance;
  if (pinAt >= 0 && !direct) {
    pinCallbacks.set(instance + "#" + args[count].$fn, { site: key, error: false });
    if (isFunction(args[count + 1]))
      pinCallbacks.set(instance + "#" + args[count + 1].$fn, { site: key, error: true });
  }
  try {
    host().postMessage({ type: "call", id, instance, origin: page.origin,
                         member: message.member, args });
  } catch (e) {
    calls.delete(id);
    page.pending--;
    refuse(page, message.seq, "KestrovaHostError",
           "The Kestrova host program cannot be reached: " + e.message);
  }
}

api.runtime.onConnect.addListener((port) => {
  if (port.name !== "kestrova-page")
    return;
  const sender = port.sender || {};
  const frame = sender.frameId !== 0;
  const origin = originOf(sender);
  // A frame's top-level site: the address of the tab's document, as the browser reports it.
  let site = origin;
  if (frame) {
    try {
      site = normalOrigin(new URL(sender.tab.url).origin + "/") || "null";
    } catch (e) {
      site = "null";
    }
  }
  const page = { key: "t" + nextPage++, port, origin, site, frame,
                 tabId: sender.tab ? sender.tab.id : -1, instances: new Set(),
                 queue: Promise.resolve(), pending: 0 };
  pages.set(page.key, page);
  port.onMessage.addListener((message) => {
    if (!message || message.kind !== "call")
      return;
    const bad = badCall(message);
    if (bad) {
      refuse(page, Number.isInteger(message.seq) ? message.seq : 0, "KestrovaBadCall",
             "The Kestrova extension refused the call: " + bad);
      return;
    }
    if (page.pending >= MAX_PENDING) {
      refuse(page, message.seq, "KestrovaBusy",
             "Too many Kestrova calls of this page are waiting (" + MAX_PENDING + ")");
      return;
    }
    page.pending++;
    const gesture = message.gesture === true;
    // In order: a call that waits for the user's answer holds back the ones after it.
    page.queue = page.queue.then(() => callFromPage(page, message, gesture)).catch((e) => {
      // Failed before reaching the host (the stored answers could not be read): refused.
      page.pending--;
      refuse(page, message.seq, "KestrovaNotAllowed", "The Kestrova extension failed: " + e);
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
