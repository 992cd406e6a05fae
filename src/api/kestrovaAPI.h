#pragma once

#include "JSAPIAuto.h"
#include "JSObject.h"
#include "PinEntryAbort.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class kestrova;
class Pkcs11;

// The scripting object of the plug-in element: the "version" property and the token methods.
// Each method binds its do-member to its arguments and runs it at once or, when the page gives
// a success callback, on a worker thread of the plug-in object.
class kestrovaAPI : public FB::JSAPIAuto {
public:
    using OptionalText = std::optional<std::string>;
    using Callback = std::optional<FB::JSObjectPtr>;
    using Work = std::function<FB::variant()>;

    // Loads the process's PKCS#11 module from the plug-in's folder if no object did before.
    kestrovaAPI(const std::shared_ptr<kestrova>& plugin,
                const std::shared_ptr<FB::BrowserHost>& host);
    ~kestrovaAPI() override;

    std::string get_version() const;

    FB::variant kvwIsTokenPresentAndOK(const Callback& success, const Callback& error);
    FB::variant kvwIsUserLoggedIn(const Callback& success, const Callback& error);
    FB::variant kvwUserLoginDlg(const OptionalText& pin, const Callback& success,
                                const Callback& error);
    FB::variant kvwLogout(const Callback& success, const Callback& error);
    FB::variant kvwSign(const std::string& name, const std::string& data, const OptionalText& pin,
                        const Callback& success, const Callback& error);
    FB::variant kvwHashSign(const std::string& name, const std::string& data,
                            const OptionalText& pin, const Callback& success,
                            const Callback& error);
    FB::variant kvwGenKeyPair(const std::string& name, const OptionalText& pin,
                              const Callback& success, const Callback& error);
    FB::variant kvwDestroyContainer(const std::string& name, const OptionalText& pin,
                                    const Callback& success, const Callback& error);
    FB::variant kvwGetNumberOfContainers(const Callback& success, const Callback& error);
    FB::variant kvwGetContainerName(std::int32_t index, const Callback& success,
                                    const Callback& error);
    FB::variant kvwGetPublicKey(const std::string& name, const Callback& success,
                                const Callback& error);
    FB::variant kvwRepair(const std::string& scrambledKey, const std::string& hash,
                          const Callback& success, const Callback& error);
    FB::variant kvwMakeSessionKey(const std::string& name, const std::string& publicKey,
                                  const std::string& ukm, const OptionalText& pin,
                                  const Callback& success, const Callback& error);
    FB::variant kvwGetDeviceID(const Callback& success, const Callback& error);
    FB::variant kvwImportCertificate(const std::string& name, const std::string& certificate,
                                     const Callback& success, const Callback& error);

    // The plug-in object; FB::script_error "The plugin is invalid" once it is gone.
    std::shared_ptr<kestrova> getPlugin() const;

private:
    // Whether a call's work holds a secret (a PIN, key material), which its worker wipes from
    // its stack once the work is done; direct calls are wiped by the member table.
    enum class Holds { nothing, secret };

    // Runs the work here without a success callback, else starts it on a worker thread and
    // answers 0. Failures become their codes.
    FB::variant call(const Work& work, const Callback& success, const Callback& error,
                     Holds holds = Holds::nothing);
    FB::variant callMethod(const Work& work, Holds holds, const Callback& success,
                           const Callback& error);
    // The body of a worker thread: the result to the success callback, an Exception's code
    // text to the error callback, both queued for the main thread.
    void runAsync(const Work& work, Holds holds, const FB::JSObjectPtr& success,
                  const Callback& error);

    // What the PIN-entry program shows for a login: the display text and the asking site.
    std::string pinText(const std::string& displayText) const;

    FB::variant doIsTokenPresentAndOK();
    FB::variant doIsUserLoggedIn();
    FB::variant doUserLoginDlg(const std::string& pin);
    FB::variant doLogout();
    FB::variant doSign(const std::string& name, const std::string& data, const std::string& pin);
    FB::variant doHashSign(const std::string& name, const std::string& data,
                           const std::string& pin);
    FB::variant doGenerateKeyPair(const std::string& name, const std::string& pin);
    FB::variant doDestroyContainer(const std::string& name, const std::string& pin);
    FB::variant doGetNumberOfContainers();
    FB::variant doContainerName(std::int32_t index);
    FB::variant doPublicKey(const std::string& name);
    FB::variant doRepair(const std::string& scrambledKey, const std::string& hash);
    FB::variant doMakeSessionKey(const std::string& name, const std::string& publicKey,
                                 const std::string& ukm, const std::string& pin);
    FB::variant doGetDeviceID();
    FB::variant doImportCertificate(const std::string& name, const std::string& certificate);

    std::weak_ptr<kestrova> m_plugin;
    std::shared_ptr<FB::BrowserHost> m_host;
    // Asked once, on the main thread where every face can answer; worker threads read it.
    const std::string m_site;
    Pkcs11* m_pkcs11;
    // The element's; it ends a PIN entry still open when the element goes.
    std::shared_ptr<PinEntryAbort> m_pinEntry;
    // Replaced by a listing that may run on a worker while the main thread reads a name.
    std::mutex m_containerNamesMutex;
    std::vector<std::string> m_containerNames;
};
