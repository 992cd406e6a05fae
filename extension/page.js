// Runs in the page itself. Gives the page the Kestrova scripting object: the global
// kestrovaPlugin, and the same members on every <embed> or <object> of type
// application/x-kestrova, as the plug-in gave them. Calls travel through the content script to
// the extension and the Kestrova host program.
//
// Callback calls behave as with the plug-in: they return 0 and later call the success callback
// with the result, or the error callback with the code as text. A direct call cannot wait for
// the host, so it returns a Promise of what the plug-in would have returned.
(function () {
  "use strict";
  if (window.kestrovaPlugin !== undefined)
    return;

  var TYPE = "application/x-kestrova";
  var VERSION = "1.5.0.0";
  // Each method with the number of its arguments before the two callbacks.
  var METHODS = {
    kvwIsTokenPresentAndOK: 0, kvwIsUserLoggedIn: 0, kvwUserLoginDlg: 1, kvwLogout: 0,
    kvwSign: 3, kvwHashSign: 3, kvwGenKeyPair: 2, kvwDestroyContainer: 2,
    kvwGetNumberOfContainers: 0, kvwGetContainerName: 1, kvwGetPublicKey: 1, kvwRepair: 2,
    kvwMakeSessionKey: 4, kvwGetDeviceID: 0, kvwImportCertificate: 2
  };
  var REQUEST = "kestrova:request", ANSWER = "kestrova:answer";

  var dispatch = document.dispatchEvent.bind(document);
  var Custom = window.CustomEvent;
  var stringify = JSON.stringify, parse = JSON.parse;
  var nextSeq = 1, nextInstance = 1, nextFunction = 1;
  var pending = {};   // seq: {resolve, reject} of direct calls, {call} of callback calls
  var functions = {}; // function id: {fn, call}
  var calls = {};     // callback calls whose functions the host still holds, by seq

  function namedError(name, message) {
    var error = new Error(message);
    error.name = name;
    return error;
  }

  function encode(value) {
    if (value === undefined)
      return { $undefined: true };
    if (typeof value === "function") {
      var id = nextFunction++;
      functions[id] = { fn: value };
      return { $fn: id };
    }
    if (Array.isArray(value))
      return value.map(encode);
    if (value !== null && typeof value === "object") {
      var members = {};
      Object.keys(value).forEach(function (key) { members[key] = encode(value[key]); });
      return { $map: members };
    }
    return value;
  }

  function decode(value) {
    if (Array.isArray(value))
      return value.map(decode);
    if (value !== null && typeof value === "object") {
      if (value.$undefined)
        return undefined;
      if (value.$map) {
        var members = {};
        Object.keys(value.$map).forEach(function (key) { members[key] = decode(value.$map[key]); });
        return members;
      }
    }
    return value;
  }

  function send(message) {
    dispatch(new Custom(REQUEST, { detail: stringify(message) }));
  }

  // Late, as the plug-in's exceptions would have been thrown: the call has returned already.
  function throwLater(error) {
    setTimeout(function () { throw error; }, 0);
  }

  // A call that failed before the host held its functions: nobody will release them.
  function forget(call) {
    delete calls[call.seq];
    Object.keys(functions).forEach(function (id) {
      if (functions[id].call === call)
        delete functions[id];
    });
  }

  function fail(call, error) {
    if (call.error)
      call.error(error);
  }

  document.addEventListener(ANSWER, function (event) {
    var message;
    try {
      message = parse(event.detail);
    } catch (e) {
      return;
    }
    if (message.kind === "callback") {
      var entry = functions[message.function];
      if (entry) {
        if (entry.call)
          entry.call.answered = true;
        entry.fn.apply(null, decode(message.args || []));
      }
    } else if (message.kind === "release") {
      var released = functions[message.function];
      delete functions[message.function];
      if (released && released.call && --released.call.held === 0)
        delete calls[released.call.seq];
    } else if (message.kind === "result" || message.kind === "error") {
      var waiting = pending[message.seq];
      delete pending[message.seq];
      if (!waiting)
        return;
      var error = message.kind === "error" ? namedError(message.name, message.message) : null;
      if (waiting.call) {
        if (error && message.name === "Error")
          throwLater(error);
        else if (error)
          fail(waiting.call, error);
        if (error)
          forget(waiting.call);
      } else if (error) {
        waiting.reject(error);
      } else {
        waiting.resolve(decode(message.value));
      }
    } else if (message.kind === "hostGone") {
      // Calls under way will not be answered: each hears of it once.
      var error = namedError("KestrovaHostError", message.message);
      Object.keys(pending).forEach(function (seq) {
        var waiting = pending[seq];
        if (!waiting.call)
          waiting.reject(error);
      });
      pending = {};
      Object.keys(calls).forEach(function (seq) {
        if (!calls[seq].answered)
          fail(calls[seq], error);
      });
      calls = {};
      functions = {};
    }
  });

  function invoke(instance, member, args, callMode) {
    var seq = nextSeq++;
    var message = { kind: "call", seq: seq, instance: instance, member: member };
    if (callMode) {
      var call = { seq: seq, held: 0, answered: false, error: null };
      var first = nextFunction;
      message.args = encode(args);
      for (var id = first; id < nextFunction; id++) {
        functions[id].call = call;
        call.held++;
      }
      var errorCallback = args[callMode.errorAt];
      call.error = typeof errorCallback === "function" ? errorCallback : null;
      pending[seq] = { call: call };
      if (call.held > 0)
        calls[seq] = call;
      send(message);
      return 0;
    }
    message.args = encode(args);
    return new Promise(function (resolve, reject) {
      pending[seq] = { resolve: resolve, reject: reject };
      send(message);
    });
  }

  function method(instance, name, count) {
    return function () {
      var args = Array.prototype.slice.call(arguments);
      var success = args[count];
      if (success === undefined || success === null)
        return invoke(instance, name, args, null);
      if (args.length > count + 2)
        throw new Error("Too many arguments, expected " + (count + 2) + ".");
      return invoke(instance, name, args, { errorAt: count + 1 });
    };
  }

  // Gives target the scripting object's members, served by a plug-in object of its own.
  function provide(target) {
    var instance = "p" + nextInstance++;
    var members = {
      version: { get: function () { return VERSION; }, set: function () {}, enumerable: true },
      get_version: {
        value: function () {
          if (arguments.length > 0)
            throw new Error("Too many arguments, expected 0.");
          return invoke(instance, "get_version", [], null);
        },
        enumerable: true
      }
    };
    Object.keys(METHODS).forEach(function (name) {
      members[name] = { value: method(instance, name, METHODS[name]), enumerable: true };
    });
    Object.defineProperties(target, members);
    return target;
  }

  function isKestrova(node) {
    return node.nodeType === 1 && (node.localName === "embed" || node.localName === "object") &&
           String(node.getAttribute("type")).toLowerCase() === TYPE;
  }

  // The plug-in's "onload" convention: a page function named by the element, called with the
  // scripting object about 250 ms after the element is ready.
  function onload(element) {
    var name = element.getAttribute("onload");
    var params = element.getElementsByTagName("param");
    for (var i = 0; i < params.length; i++)
      if (params[i].getAttribute("name") === "onload")
        name = params[i].getAttribute("value");
    if (name && typeof window[name] === "function")
      setTimeout(function () { window[name](element); }, 250);
  }

  var upgraded = new WeakSet();
  function upgrade(node) {
    if (!isKestrova(node) || upgraded.has(node))
      return;
    upgraded.add(node);
    provide(node);
    onload(node);
  }

  function sweep(root) {
    upgrade(root);
    if (root.querySelectorAll)
      Array.prototype.forEach.call(root.querySelectorAll("embed, object"), upgrade);
  }

  // An element has the members as soon as it has the type, in the document or not: the first
  // read of a member through the element classes gives the element its own.
  ["version", "get_version"].concat(Object.keys(METHODS)).forEach(function (name) {
    [HTMLEmbedElement.prototype, HTMLObjectElement.prototype].forEach(function (proto) {
      Object.defineProperty(proto, name, {
        configurable: true,
        get: function () {
          if (!isKestrova(this))
            return undefined;
          upgrade(this);
          return this[name];
        },
        set: function () {}
      });
    });
  });
  // Elements that enter the document are told apart for their onload function.
  new MutationObserver(function (records) {
    records.forEach(function (record) {
      Array.prototype.forEach.call(record.addedNodes, sweep);
    });
  }).observe(document, { childList: true, subtree: true });

  Object.defineProperty(window, "kestrovaPlugin", { value: provide({}), enumerable: false });
})();
