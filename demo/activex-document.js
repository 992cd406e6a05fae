// The demo page's surroundings as the ActiveX test container offers none: just enough of a
// document for demo.js (elements by id with the page's input values, rows and cells that hold
// text), a timer the page library can reach as a property of the global object, and the
// page library handed the container's control as the plug-in's element. Runs after
// web/kestrova.js and before demo.js. kvDemoInputs (made by scripts/demo from index.html)
// holds the values of the page's input fields.
var kvControl = plugin;
var location = { hash: "#tour" };
function scrollTo() {}
function setTimeout(f, delay) {
  return window.setTimeout(f, delay);
}
function clearTimeout(id) {
  return window.clearTimeout(id);
}

var document = (function () {
  function node() {
    var n = {
      textContent: "",
      className: "",
      value: "",
      innerHTML: "",
      onclick: null,
      children: [],
      appendChild: function (child) { n.children.push(child); return child; },
      insertRow: function () { return n.appendChild(node()); },
      insertCell: function () { return n.appendChild(node()); }
    };
    n.tBodies = [n];
    return n;
  }
  var elements = {};
  return {
    getElementById: function (id) {
      if (!elements[id]) {
        elements[id] = node();
        elements[id].value = kvDemoInputs[id] || "";
      }
      return elements[id];
    },
    createElement: function () { return node(); },
    createTextNode: function (text) { var n = node(); n.textContent = text; return n; }
  };
})();

Kestrova.load = (function (load) {
  return function (options) {
    var given = options || {};
    given.element = kvControl;
    return load(given);
  };
})(Kestrova.load);
