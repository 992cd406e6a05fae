// The extension's reading of an administrator's policy (extension/shared.js): entries are origins
// by the URL parser, so an entry written with a slash or a default port still blocks; anything
// else is refused and listed, never half-matched. Run: node extension-policy.js shared.js
"use strict";
const assert = require("assert");
const fs = require("fs");
const vm = require("vm");

const context = { URL, Map, Set, JSON };
vm.runInNewContext(fs.readFileSync(process.argv[2], "utf8"), context);

const cases = [
  ["https://bank.example", "https://bank.example"],
  ["https://bank.example/", "https://bank.example"],
  ["https://bank.example:443", "https://bank.example"],
  ["HTTPS://Bank.Example", "https://bank.example"],
  [" https://bank.example ", "https://bank.example"],
  ["https://bank.example:8443/", "https://bank.example:8443"],
  ["http://localhost:8080", "http://localhost:8080"],
  ["https://xn--80ak6aa92e.com", "https://xn--80ak6aa92e.com"],
  ["https://bank.example/login", null],
  ["https://bank.example/?a=1", null],
  ["https://bank.example/#top", null],
  ["https://user@bank.example", null],
  ["bank.example", null],
  ["*.bank.example", null],
  ["ftp://bank.example", null],
  ["file:///etc", null],
  ["null", null],
  ["", null],
  [42, null]
];
for (const [entry, origin] of cases)
  assert.strictEqual(context.normalOrigin(entry), origin, JSON.stringify(entry));

const policy = context.readPolicy({
  allowedOrigins: ["https://a.example/", "not an origin"],
  blockedOrigins: ["https://evil.example:443"],
  pinArgumentOrigins: ["https://kiosk.example/path"],
  frameOrigins: { "https://shop.example/": ["https://pay.example"], "shop": ["https://x.example"] },
  allowLocalhost: false
});
assert.deepStrictEqual([...policy.allowed], ["https://a.example"]);
assert.deepStrictEqual([...policy.blocked], ["https://evil.example"]);
assert.deepStrictEqual([...policy.pinArgument], []);
assert.deepStrictEqual([...policy.frames.get("https://shop.example")], ["https://pay.example"]);
assert.strictEqual(policy.localhost, false);
assert.deepStrictEqual([...policy.refused].sort(), ['allowedOrigins: "not an origin"',
                                                    'frameOrigins: "shop"',
                                                    'pinArgumentOrigins: "https://kiosk.example/path"']);
assert.strictEqual(context.readPolicy(undefined).localhost, true);
console.log("policy entries read as expected");
