// What the background and the options page share: the administrator's policy as the extension
// reads it, and the user's lasting answers.
"use strict";

// The origin an entry names, by the URL parser ("https://a.example/" and "https://a.example:443"
// are "https://a.example"); null for anything that is not an http(s) origin alone.
function normalOrigin(entry) {
  if (typeof entry !== "string")
    return null;
  var url;
  try {
    url = new URL(entry.trim());
  } catch (e) {
    return null;
  }
  if ((url.protocol !== "https:" && url.protocol !== "http:") || url.username || url.password ||
      url.pathname !== "/" || url.search || url.hash)
    return null;
  return url.origin;
}

// The managed storage's settings, each origin normalised; entries that are not origins are
// left out and listed in refused, for the options page to show.
function readPolicy(managed) {
  managed = managed || {};
  var refused = [];
  function origins(list, where) {
    var set = new Set();
    (Array.isArray(list) ? list : []).forEach(function (entry) {
      var origin = normalOrigin(entry);
      if (origin)
        set.add(origin);
      else
        refused.push(where + ": " + JSON.stringify(entry));
    });
    return set;
  }
  var frames = new Map();
  var named = managed.frameOrigins && typeof managed.frameOrigins === "object"
      ? managed.frameOrigins : {};
  Object.keys(named).forEach(function (top) {
    var site = normalOrigin(top);
    if (site)
      frames.set(site, origins(named[top], "frameOrigins " + top));
    else
      refused.push("frameOrigins: " + JSON.stringify(top));
  });
  return {
    allowed: origins(managed.allowedOrigins, "allowedOrigins"),
    blocked: origins(managed.blockedOrigins, "blockedOrigins"),
    pinArgument: origins(managed.pinArgumentOrigins, "pinArgumentOrigins"),
    frames: frames,
    localhost: managed.allowLocalhost !== false,
    refused: refused
  };
}

// A grant is for a top-level site, or for a frame's origin inside a top-level site.
function grantKey(site, frame) {
  return frame ? site + " > " + frame : site;
}

// The user's lasting answers ("always allow", "deny"), by grant key. They live in the
// extension's own IndexedDB: content scripts run with the page's origin and can neither open it
// nor write it, as they could storage.local.
var Grants = (function () {
  function open() {
    return new Promise(function (resolve, reject) {
      var request = indexedDB.open("kestrova-grants", 1);
      request.onupgradeneeded = function () { request.result.createObjectStore("grants"); };
      request.onsuccess = function () { resolve(request.result); };
      request.onerror = function () { reject(request.error); };
    });
  }

  // Runs body(store) in one transaction; its request's result once the transaction completes.
  async function transaction(mode, body) {
    var db = await open();
    try {
      return await new Promise(function (resolve, reject) {
        var tx = db.transaction("grants", mode);
        var request = body(tx.objectStore("grants"));
        tx.oncomplete = function () { resolve(request && request.result); };
        tx.onerror = function () { reject(tx.error); };
        tx.onabort = function () { reject(tx.error); };
      });
    } finally {
      db.close();
    }
  }

  return {
    get: function (key) { return transaction("readonly", function (s) { return s.get(key); }); },
    set: function (key, answer) {
      return transaction("readwrite", function (s) { return s.put(answer, key); });
    },
    remove: function (key) {
      return transaction("readwrite", function (s) { return s.delete(key); });
    },
    // Every answer as [key, answer] pairs.
    all: function () {
      return transaction("readonly", function (s) {
        var keys = s.getAllKeys(), values = s.getAll();
        return { get result() {
          return keys.result.map(function (key, i) { return [key, values.result[i]]; });
        } };
      });
    }
  };
})();
