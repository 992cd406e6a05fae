// The demo page's document as the ActiveX test container offers none: just enough of one for
// demo.js (elements by id with the page's input values, rows and cells that hold text), so the
// same walk-through runs against the control. kvDemoInputs (made by scripts/demo from
// index.html) holds the values of the page's input fields.
var kvControl = plugin; // before demo.js declares its own variable of that name
var location = { hash: "#tour" };
function scrollTo() {}

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
      if (id === "plugin")
        return kvControl;
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
