// An example page script in TypeScript: every part of kestrova.js as a page uses it. The tests
// compile it against kestrova.d.ts with tsc --strict; it is not run.

// Messages come in the browser's language (English or Russian); a page may choose its own.
Kestrova.language = "ru";

const found: Kestrova.Detection = Kestrova.detect();
if (!found.installed) {
  document.body.textContent = "Please install the Kestrova plug-in.";
}

async function signAndShow(): Promise<void> {
  const client: Kestrova.Client = await Kestrova.load({ timeout: 5000 });
  try {
    if (!(await client.isTokenPresent())) {
      return;
    }
    const serial: string = await client.getDeviceId();
    const names: string[] = await client.listContainers();
    if (names.indexOf("My key") < 0) {
      const publicKey: string = await client.generateKeyPair("My key", { pin: "1234" });
      console.log(serial, publicKey.substr(0, 64), publicKey.substr(64));
    }
    // A 32-byte hash value, most significant byte first.
    const hash = "5A3B7F0E1D2C4B6A89786756453423120F1E2D3C4B5A69788796A5B4C3D2E1F0";
    const signature: string = await client.sign("My key", hash);
    const r = signature.substr(0, 64);
    const s = signature.substr(64);
    console.log(r, s, await client.hashSign("My key", Kestrova.textToHex("text"), "1234"));
  } catch (e) {
    if (e instanceof Kestrova.KestrovaError) {
      const name: Kestrova.KestrovaErrorName = e.name;
      const code: number | null = e.code;
      if (name === "PIN_CANCELLED" || name === "PIN_INCORRECT") {
        alert(e.message + " " + e.action);
      }
      console.log(code, e.method, e.source);
    }
    throw e;
  } finally {
    client.close();
  }
}

// Bytes in and out.
function withBytes(): Promise<Uint8Array> {
  return Kestrova.load({ output: "bytes" }).then((client: Kestrova.Client<Uint8Array>) => {
    const peer = new Uint8Array(64);
    const ukm = Kestrova.hexToBytes("0102030405060708");
    return client.makeSessionKey("My key", peer, ukm, null)
        .then((key: Uint8Array) => client.importCertificate("My key", key).then(() => key));
  });
}

// Every other client method, by its declared type.
function everyMethod(client: Kestrova.Client): Array<Promise<unknown>> {
  return [
    client.getVersion(), client.isUserLoggedIn(), client.login(), client.logout(),
    client.destroyContainer("old", "1234"), client.getNumberOfContainers(),
    client.getContainerName(0), client.getPublicKey("My key"),
    client.repair("PLOKIJUHYGTFRDES", [1, 2, 3])
  ];
}

// The raw scripting object, for a page that calls the plug-in directly.
function raw(element: HTMLElement): void {
  const plugin = element as unknown as Kestrova.KestrovaPlugin;
  const present = plugin.kvwIsTokenPresentAndOK();
  if (present === true) {
    const started: number = plugin.kvwSign("My key", "00".repeat(32), null,
                                           (signature: string) => console.log(signature),
                                           (code: string) => console.log(Kestrova.errorName(code)));
    console.log(started, plugin.version, plugin.get_version());
  }
  const error: Kestrova.KestrovaError = Kestrova.failure(-4, "kvwSign");
  const rows: ReadonlyArray<Kestrova.FailureEntry> = Kestrova.errors;
  console.log(error.name, rows.length, Kestrova.methods["sign"], Kestrova.bytesToHex([1, 2]));
}

Kestrova.setScheduler((job: () => void) => setTimeout(job, 0));
signAndShow().then(withBytes).catch((e: unknown) => console.log(e));
void everyMethod;
void raw;
