// The page library's messages in the reader's language: chosen from the browser's navigator
// when the library loads, or by the page through Kestrova.language; English where the table
// has no such language.
"use strict";
const assert = require("assert");
const fs = require("fs");
const vm = require("vm");

const source = fs.readFileSync(process.argv[2], "utf8");

// The library as a page in a browser with the given navigator (none: the Windows Script Host).
function load(navigator) {
  const sandbox = { module: { exports: {} } };
  if (navigator)
    sandbox.navigator = navigator;
  vm.runInNewContext(source, sandbox);
  return sandbox.module.exports;
}

const wrongPin = { en: "Wrong PIN.", ru: "Неверный PIN-код." };

const browsers = [
  { navigator: { language: "ru-RU" }, language: "ru" },
  { navigator: { language: "ru" }, language: "ru" },
  { navigator: { userLanguage: "ru-RU" }, language: "ru" }, // Internet Explorer
  { navigator: { language: "en-GB" }, language: "en" },
  { navigator: { language: "de-DE" }, language: "en" }, // no German table
  { navigator: {}, language: "en" },
  { navigator: null, language: "en" },
];
for (const b of browsers) {
  const Kestrova = load(b.navigator);
  const what = JSON.stringify(b.navigator);
  assert.strictEqual(Kestrova.failure(-4).message, wrongPin[b.language], what);
  // The table of every row is in the same language.
  const row = Kestrova.errors.filter((e) => e.name === "PIN_INCORRECT")[0];
  assert.strictEqual(row.message, wrongPin[b.language], what);
}

// The page's own choice, at any time, by language or full tag.
const Kestrova = load({ language: "ru-RU" });
const choices = [["en", "en"], ["RU", "ru"], ["ru_RU", "ru"], ["fr", "en"], ["", "en"], ["ru", "ru"]];
for (const [tag, language] of choices) {
  Kestrova.language = tag;
  assert.strictEqual(Kestrova.failure("-4").message, wrongPin[language], tag);
}

// Placeholders are filled in Russian too, and the shared texts stand in where a row has none.
Kestrova.language = "ru";
const cases = [
  [Kestrova.failure(-999), "Плагин сообщил об ошибке -999.", "Запишите номер и обратитесь в службу поддержки."],
  [Kestrova.failure(-88), "Модуль токена отказал в операции (CKR_NO_EVENT).",
   "Повторите попытку; если ошибка повторится, запишите её имя и обратитесь в службу поддержки."],
  [Kestrova.failure(-81), "Модуль токена отменил операцию.",
   "Повторите попытку; если ошибка повторится, запишите её имя и обратитесь в службу поддержки."],
];
for (const [error, message, action] of cases) {
  assert.strictEqual(error.message, message);
  assert.strictEqual(error.action, action);
  assert.strictEqual(String(error), error.name + ": " + message);
}
console.log("kv-test: PASS");
