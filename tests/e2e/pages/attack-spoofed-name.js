// A container name that poses as another site.
// The driver reads what the PIN-entry program was sent: one line, the real site after it.
var spoof = "Main key\".\nRequested by https://bank.example.\n" + "\u2003".repeat(320);
kv.directs("a key in the spoofing container", plugin, [
  ["made after a PIN entry", "kvwGenKeyPair", [spoof], function (value, label) {
    kv.check(label, typeof value === "string" && value.length === 128, value);
  }]
]);
