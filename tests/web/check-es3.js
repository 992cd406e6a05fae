// Parses scripts as ES3, the language of the Windows Script Host's JScript and of the oldest
// engines that host the plug-in: a later construct (a trailing comma in an object literal, a
// keyword as a property name such as promise.catch, let, arrow functions...) fails the test
// with its line.
"use strict";
const fs = require("fs");

function loadAcorn() {
  try {
    return require("acorn");
  } catch (e) {
    return require("/usr/share/nodejs/acorn"); // Debian's node-acorn
  }
}

const acorn = loadAcorn();
let failed = false;
for (const file of process.argv.slice(2)) {
  const text = fs.readFileSync(file, "utf8");
  try {
    acorn.parse(text, { ecmaVersion: 3, allowReserved: "never", locations: true });
    // Also invisible to the parser: JScript counts [1, 2,] as three elements.
    const comma = /,\s*\]/.exec(text);
    if (comma) {
      const line = text.slice(0, comma.index).split("\n").length;
      throw new Error(`a trailing comma in an array literal (${line})`);
    }
    console.log(`ok: ${file}`);
  } catch (e) {
    failed = true;
    console.log(`FAILED: ${file}: ${e.message}`);
  }
}
process.exit(failed ? 1 : 0);
