// kestrova-host: the Kestrova plug-in for browsers that load no plug-ins. The browser starts it
// for the Kestrova extension and speaks native messaging on its standard streams.
#include "NativeHost.h"
#include "ProgramPath.h"
#include "StdStreams.h"

int main() {
    const FB::NativeMessaging::StdStreams streams = FB::NativeMessaging::takeStdStreams();
    FB::NativeMessaging::NativeHost host(streams.output, FB::NativeMessaging::programPath(),
                                         FB::getFactoryInstance());
    host.run(*streams.input);
    return 0;
}
